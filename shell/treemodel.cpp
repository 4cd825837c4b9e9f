#include "shell/treemodel.h"

#include "forms/application.h"
#include "shell/ShellCtrls.h"
#include "shell/images.h"

namespace {

// Node labels: names are bytes; what cannot be shown as text (invalid UTF-8,
// control characters such as a newline) is shown as a visible stand-in.
QString LabelText(const std::string& name)
{
    QString label = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    for (QChar& c : label)
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7F)
            c = QChar(0x2421);
    return label;
}

}  // namespace

TTreeNode* TShellTreeModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<TTreeNode*>(index.internalPointer()) : &FTree->FTop;
}

QModelIndex TShellTreeModel::IndexOf(TTreeNode* node) const
{
    if (!node || node == &FTree->FTop)
        return {};
    return createIndex(node->FIndex, 0, node);
}

QModelIndex TShellTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const TTreeNode* node = NodeOf(parent);
    if (column != 0 || row < 0 || row >= node->Count())
        return {};
    return createIndex(row, 0, node->FChildren[static_cast<std::size_t>(row)].get());
}

QModelIndex TShellTreeModel::parent(const QModelIndex& index) const
{
    return index.isValid() ? IndexOf(NodeOf(index)->FParent) : QModelIndex();
}

int TShellTreeModel::rowCount(const QModelIndex& parent) const
{
    return parent.column() > 0 ? 0 : NodeOf(parent)->Count();
}

bool TShellTreeModel::hasChildren(const QModelIndex& parent) const
{
    const TTreeNode* node = NodeOf(parent);
    return node == &FTree->FTop ? node->Count() > 0 : node->FHasChildren;
}

QVariant TShellTreeModel::data(const QModelIndex& index, int role) const
{
    const TTreeNode* node = NodeOf(index);
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return LabelText(node->FText);
    case Qt::DecorationRole: {
        if (!FTree->FUseShellImages)
            return {};
        const bool selected = FTree->Selected() == node;
        return TShellImages::System().Icon(selected ? node->FSelectedIndex : node->FImageIndex,
                                           node->FOverlayIndex);
    }
    default:
        return {};
    }
}

Qt::ItemFlags TShellTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!FTree->FReadOnly && NodeOf(index)->FCanRename)
        result |= Qt::ItemIsEditable;
    return result;
}

bool TShellTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    TTreeNode* node = NodeOf(index);
    const QString text = value.toString();
    // An unchanged label renames nothing (the label may only stand in for
    // a name that is not text).
    if (text == LabelText(node->FText))
        return false;
    Application->Dispatch([&] { FTree->Edited(node, text.toStdString()); });
    return true;
}

void TShellTreeModel::Changed(TTreeNode* node)
{
    const QModelIndex index = IndexOf(node);
    if (index.isValid())
        emit dataChanged(index, index);
}
