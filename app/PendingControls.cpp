#include "app/PendingControls.h"

#include <QFileSystemModel>
#include <QTreeView>

#include "forms/application.h"

namespace interim {

TdxDBGrid::TdxDBGrid(TComponent* AOwner) : TControl(AOwner, new QWidget) {}

TShellTreeView::TShellTreeView(TComponent* AOwner) : TControl(AOwner, new QTreeView)
{
    FModel = new QFileSystemModel(Tree());
    FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    FModel->setRootPath("/");
    Tree()->setModel(FModel);
    for (int column = 1; column < FModel->columnCount(); ++column)
        Tree()->hideColumn(column);
    Tree()->setHeaderHidden(true);
    QObject::connect(Tree(), &QTreeView::clicked, Tree(), [this] {
        if (OnClick)
            Application->Dispatch([this] { OnClick(this); });
    });
}

QTreeView* TShellTreeView::Tree() const { return static_cast<QTreeView*>(Widget()); }

std::string TShellTreeView::SelectedFolderPath() const
{
    const QModelIndex index = Tree()->currentIndex();
    return index.isValid() ? FModel->filePath(index).toStdString() : std::string();
}

void TShellTreeView::SetSelectedFolderPath(const std::string& path)
{
    if (path.empty()) {
        Tree()->setCurrentIndex(QModelIndex());
        return;
    }
    Tree()->setCurrentIndex(FModel->index(QString::fromStdString(path)));
}

}  // namespace interim
