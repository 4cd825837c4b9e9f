// The program: starts the application, creates the main window and runs the
// message loop until the window closes.

#include <QApplication>
#include <QWidget>

#include "forms/application.h"

int main(int argc, char** argv)
{
    QApplication qtApp(argc, argv);
    TApplication app;
    app.Initialize();

    QWidget window;
    window.setWindowTitle(QString::fromStdString(app.Title()));
    window.resize(795, 509);  // client size; the frame makes it 803 x 536
    window.move(215, 189);
    window.show();

    app.Run();
    return 0;
}
