#include "forms/application.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QThread>

#include "forms/exception.h"

TApplication* Application = nullptr;

TApplication::TApplication() : TComponent(nullptr)
{
    if (!Application)
        Application = this;
}

TApplication::~TApplication()
{
    delete FIdleConnection;
    if (Application == this)
        Application = nullptr;
}

void TApplication::Initialize()
{
    if (FIdleConnection)
        return;
    // A plain QObject lives as long as the hook: deleting it disconnects.
    FIdleConnection = new QObject;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
    if (dispatcher)
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, FIdleConnection,
                         [this] { DoIdle(); });
}

void TApplication::Run()
{
    FTerminated = false;
    QApplication::exec();
    FTerminated = true;
}

void TApplication::Terminate()
{
    FTerminated = true;
    QCoreApplication::quit();
}

void TApplication::Dispatch(const std::function<void()>& handler)
{
    if (!handler)
        return;
    // A modal loop (a message box opened by a handler) dispatches handlers of
    // its own: each of those is outermost again, so its error is reported there
    // and never unwinds through the loop.
    QThread* thread = QThread::currentThread();
    const int loopLevel = thread ? thread->loopLevel() : 0;
    if (FHandlerDepth > 0 && loopLevel == FHandlerLoopLevel) {
        // A nested handler: its error unwinds the handlers that called it.
        ++FHandlerDepth;
        struct Leave { int& depth; ~Leave() { --depth; } } leave{FHandlerDepth};
        handler();
        return;
    }
    const int savedDepth = FHandlerDepth;
    const int savedLevel = FHandlerLoopLevel;
    FHandlerDepth = 1;
    FHandlerLoopLevel = loopLevel;
    std::string error;
    bool failed = false;
    try {
        handler();
    } catch (const std::exception& e) {
        failed = true;
        error = e.what();
    }
    FHandlerDepth = savedDepth;
    FHandlerLoopLevel = savedLevel;
    if (failed)
        ShowException(error);
}

std::string TApplication::ErrorText(const std::string& message)
{
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

void TApplication::ShowException(const std::string& message)
{
    const std::string text = ErrorText(message);
    // No idle pass runs while the report is open.
    ++FModalReports;
    struct Leave { int& count; ~Leave() { --count; } } leave{FModalReports};
    if (FMessageBoxHook) {
        FMessageBoxHook(FTitle, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(FTitle), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.exec();
}

int TApplication::AddIdleHandler(TIdleEvent handler)
{
    const int id = FNextIdleId++;
    FIdleHandlers.emplace_back(id, std::move(handler));
    return id;
}

void TApplication::RemoveIdleHandler(int id)
{
    std::erase_if(FIdleHandlers, [id](const auto& entry) { return entry.first == id; });
}

void TApplication::DoIdle()
{
    if (FInIdle || FModalReports > 0 || FTerminated || FHandlerDepth > 0)
        return;
    FInIdle = true;
    struct Leave { bool& flag; ~Leave() { flag = false; } } leave{FInIdle};
    // Copy: a handler may add or remove listeners.
    const auto handlers = FIdleHandlers;
    for (const auto& entry : handlers) {
        bool done = true;
        Dispatch([&] { entry.second(this, done); });
    }
}

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner)
{
    if (Application)
        FIdleId = Application->AddIdleHandler([this](TObject* Sender, bool& Done) {
            if (OnIdle)
                OnIdle(Sender, Done);
        });
}

TApplicationEvents::~TApplicationEvents()
{
    if (Application && FIdleId)
        Application->RemoveIdleHandler(FIdleId);
}
