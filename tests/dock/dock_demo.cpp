// Shows the player window's dock arrangement with stand-in content.
//   dock_demo [--explorer-out] [--quit-after MS]
// --explorer-out clicks the explorer's side-bar tab once the window is up.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <cstring>

#include "dock/icons.h"
#include "forms/alignlayout.h"
#include "forms/application.h"
#include "forms/comctrls.h"
#include "forms/forms.h"
#include "app/PlayerDockLayout.h"

namespace {

class TStandIn : public TControl {
public:
    TStandIn(TComponent* owner, QWidget* widget) : TControl(owner, widget) {}
};

QLabel* Strip(const char* text, int height)
{
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setAutoFillBackground(true);
    label->setStyleSheet("background: black; color: aqua; font-family: Arial; font-size: 12px;");
    label->setFixedHeight(height);
    return label;
}

QWidget* ToolBars()
{
    auto* w = new QWidget;
    auto* rows = new QVBoxLayout(w);
    rows->setContentsMargins(2, 2, 2, 2);
    auto* top = new QHBoxLayout;
    for (const char* hint : {"撥放", "暫停", "上一個", "下一個", "停止"}) {
        auto* b = new QToolButton;
        b->setToolTip(QString::fromUtf8(hint));
        b->setText(QString::fromUtf8(hint).left(1));
        b->setFixedSize(23, 22);
        b->setAutoRaise(true);
        top->addWidget(b);
    }
    auto* seek = new QSlider(Qt::Horizontal);
    seek->setFixedWidth(102);
    top->addWidget(seek);
    top->addWidget(Strip("00:00", 16));
    top->addWidget(new QCheckBox(QString::fromUtf8("撥放全部")));
    top->itemAt(top->count() - 1)->widget()->setProperty("checked", true);
    top->addStretch(1);
    auto* bottom = new QHBoxLayout;
    auto* mute = new QToolButton;
    mute->setText("M");
    mute->setAutoRaise(true);
    bottom->addWidget(mute);
    auto* volume = new QSlider(Qt::Horizontal);
    volume->setFixedWidth(66);
    bottom->addWidget(volume);
    auto* title = Strip("", 16);
    title->setFixedWidth(240);
    bottom->addWidget(title);
    bottom->addStretch(1);
    rows->addLayout(top);
    rows->addLayout(bottom);
    return w;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication qtApp(argc, argv);
    TApplication app;
    app.Initialize();
    bool explorerOut = false;
    int quitAfter = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--explorer-out"))
            explorerOut = true;
        else if (!std::strcmp(argv[i], "--quit-after") && i + 1 < argc)
            quitAfter = std::atoi(argv[++i]);
    }

    TForm form(nullptr);
    form.SetCaption("Dock demo");
    form.SetWindowBounds(215, 189, 795, 509);
    auto* images = new TImageList(&form);
    FillDockIcons(images);
    PlayerDockingManager(&form, images);
    BuildDockLayout(&form, form.ClientArea(), PlayerDockLayout());

    auto put = [&](const char* panel, QWidget* widget, TAlign align) {
        auto* control = new TStandIn(&form, widget);
        AlignIn(dynamic_cast<TdxDockPanel*>(form.FindComponent(panel))->Widget(), control, align);
    };
    put("dxDockPanel1", ToolBars(), TAlign::alClient);

    auto* strip = Strip("  我是一隻小小小小鳥", 23);
    put("dpnlFileList", strip, TAlign::alBottom);
    auto* grid = new QTableWidget(3, 2);
    grid->setHorizontalHeaderLabels({QString::fromUtf8("檔案名稱"), QString::fromUtf8("檔案路徑")});
    const char* songs[3][2] = {{"小小鳥", "/home/user/Music/小小鳥.mp3"},
                               {"月亮代表我的心", "/home/user/Music/月亮代表我的心.mp3"},
                               {"甜蜜蜜", "/home/user/Music/甜蜜蜜.mp3"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            grid->setItem(r, c, new QTableWidgetItem(QString::fromUtf8(songs[r][c])));
    grid->setColumnWidth(0, 144);
    grid->setColumnWidth(1, 319);
    grid->verticalHeader()->hide();
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->selectRow(0);
    put("dpnlFileList", grid, TAlign::alClient);

    auto* lines = new QListWidget;
    for (const char* line : {"我是一隻小小小小鳥", "想要飛呀飛卻飛也飛不高", "我尋尋覓覓尋尋覓覓",
                             "一個溫暖的懷抱"})
        lines->addItem(QString::fromUtf8(line));
    lines->setCurrentRow(1);
    put("dpnlDynamicLyric", lines, TAlign::alClient);
    put("dpnlLyric",
        new QPlainTextEdit(QString::fromUtf8("[ti:小小鳥]\n[00:12.00]我是一隻小小小小鳥\n[00:17.50]想要飛呀飛卻飛也飛不高\n")),
        TAlign::alClient);

    auto* tree = new QTreeWidget;
    tree->setHeaderHidden(true);
    auto* computer = new QTreeWidgetItem(tree, {QString::fromUtf8("我的電腦")});
    for (const char* folder : {"/", "家目錄", "Music", "音樂收藏"})
        new QTreeWidgetItem(computer, {QString::fromUtf8(folder)});
    computer->setExpanded(true);
    put("dpnlExplorer", tree, TAlign::alClient);

    form.Show();
    if (explorerOut)
        QTimer::singleShot(400, [&form] {
            auto* explorer = dynamic_cast<TdxDockPanel*>(form.FindComponent("dpnlExplorer"));
            static_cast<QAbstractButton*>(explorer->AutoHideTab())->click();
        });
    if (quitAfter > 0)
        QTimer::singleShot(quitAfter, [] { QApplication::quit(); });
    app.Run();
    return 0;
}
