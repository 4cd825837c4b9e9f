#include "app/CaptionPanel.h"

#include <QLabel>
#include <QVBoxLayout>

TCaptionPanel::TCaptionPanel(TComponent* AOwner) : TControl(AOwner, new QWidget)
{
    auto* layout = new QVBoxLayout(Widget());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FTitle = new QLabel;
    FTitle->setContentsMargins(4, 2, 4, 2);
    FTitle->setStyleSheet("QLabel { background-color: palette(mid); color: palette(bright-text); }");
    FClient = new QWidget;
    layout->addWidget(FTitle);
    layout->addWidget(FClient, 1);
}

void TCaptionPanel::SetCaption(const std::string& value)
{
    FCaption = value;
    FTitle->setText(QString::fromStdString(value));
}
