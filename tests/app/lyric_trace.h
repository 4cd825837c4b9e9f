#pragma once
// The lines the window writes under player.lyrics, kept while one lives.

#include <QLoggingCategory>
#include <string>
#include <vector>

class LyricTrace {
public:
    LyricTrace()
    {
        Lines().clear();
        QLoggingCategory::setFilterRules("player.lyrics.debug=true");
        FPrevious = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
            if (context.category && std::string(context.category) == "player.lyrics")
                Lines().push_back(text.toStdString());
        });
    }
    ~LyricTrace()
    {
        qInstallMessageHandler(FPrevious);
        QLoggingCategory::setFilterRules("player.lyrics.debug=false");
    }
    LyricTrace(const LyricTrace&) = delete;
    LyricTrace& operator=(const LyricTrace&) = delete;

    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }

private:
    QtMessageHandler FPrevious;
};
