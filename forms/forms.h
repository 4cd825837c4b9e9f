#pragma once
// A form: a top-level window that owns its components. OnCreate runs once the
// form's components exist (the descendant's constructor calls DoCreate when
// its design has been loaded); OnClose runs when the window is asked to close.

#include <functional>
#include <string>

#include "forms/control.h"

class QMainWindow;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

class TForm : public TControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    QMainWindow* Window() const;
    // The area below the window's frame that holds the form's controls.
    QWidget* ClientArea() const;

    std::string Caption() const;
    void SetCaption(const std::string& value);
    // Places the window; width and height are the outer size, as designed.
    void SetWindowBounds(int left, int top, int width, int height);
    void SetClientSize(int width, int height);

    void Show();
    // Asks the window to close, as the user's close button does: OnClose runs
    // first; caNone keeps the window open.
    void Close();

    TNotifyEvent OnCreate;
    TCloseEvent OnClose;

protected:
    void DoCreate();

private:
    class Window_;
    bool CloseQuery();
    bool FClosing = false;
};
