#include "forms/dialogs.h"

#include <QApplication>
#include <QMessageBox>

#include "forms/application.h"

namespace {

TQuestionHook& Hook()
{
    static TQuestionHook hook;
    return hook;
}

}  // namespace

void SetQuestionHook(TQuestionHook hook) { Hook() = std::move(hook); }

TAnswer AskQuestion(const std::string& text, bool withCancel)
{
    if (Hook())
        return Hook()(text);
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, QString::fromStdString(Application ? Application->Title() : ""),
                    QString::fromStdString(text), buttons, QApplication::activeWindow());
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TAnswer::Yes;
    case QMessageBox::No:
        return TAnswer::No;
    default:
        return withCancel ? TAnswer::Cancel : TAnswer::No;
    }
}
