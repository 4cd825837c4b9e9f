#include "forms/forms.h"

#include <QCloseEvent>
#include <QMainWindow>

#include "forms/application.h"

// The top-level window; its close request is answered by the form.
class TForm::Window_ : public QMainWindow {
public:
    explicit Window_(TForm* form) : FForm(form)
    {
        auto* client = new QWidget(this);
        setCentralWidget(client);
    }
    void Detach() { FForm = nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (FForm && !FForm->CloseQuery())
            event->ignore();
        else
            event->accept();
    }

private:
    TForm* FForm;
};

TForm::TForm(TComponent* AOwner) : TControl(AOwner, new Window_(this)) {}

TForm::~TForm()
{
    if (auto* window = static_cast<Window_*>(Widget()))
        window->Detach();
    // The components go first, newest first, while the window that holds
    // their widgets still exists.
    while (ComponentCount() > 0)
        delete Components(ComponentCount() - 1);
}

QMainWindow* TForm::Window() const { return static_cast<QMainWindow*>(Widget()); }

QWidget* TForm::ClientArea() const { return Window() ? Window()->centralWidget() : nullptr; }

std::string TForm::Caption() const { return Window() ? Window()->windowTitle().toStdString() : std::string(); }

void TForm::SetCaption(const std::string& value)
{
    if (Window())
        Window()->setWindowTitle(QString::fromStdString(value));
}

void TForm::SetWindowBounds(int left, int top, int width, int height)
{
    if (!Window())
        return;
    Window()->move(left, top);
    Window()->resize(width, height);
}

void TForm::SetClientSize(int width, int height)
{
    if (Window())
        Window()->resize(width, height);
}

void TForm::Show()
{
    if (Window())
        Window()->show();
}

void TForm::Close()
{
    if (Window() && Window()->isVisible())
        Window()->close();
    else
        CloseQuery();
}

bool TForm::CloseQuery()
{
    if (FClosing)
        return true;
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) {
        // The close goes on even when the handler fails: the error is reported
        // and the window closes as asked.
        if (Application)
            Application->Dispatch([&] { OnClose(this, action); });
        else
            OnClose(this, action);
    }
    if (action == TCloseAction::caNone)
        return false;
    FClosing = true;
    return true;
}

void TForm::DoCreate()
{
    if (OnCreate)
        OnCreate(this);
}
