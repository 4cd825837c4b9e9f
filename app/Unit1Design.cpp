// The design of the main window: every component with its parent, its
// property values and the handlers its events are wired to, by name. The
// window's logic is in Unit1.cpp.

#include <QPainter>
#include <QPainterPath>
#include <map>

#include "app/CoolBar.h"
#include "app/PlayerDockLayout.h"
#include "app/Unit1.h"
#include "app/qivTrackBar.h"
#include "dock/icons.h"
#include "dock/look.h"
#include "forms/alignlayout.h"
#include "forms/application.h"
#include "forms/buttons.h"
#include "forms/comctrls.h"
#include "forms/stdctrls.h"
#include "forms/timer.h"
#include "mixer/SSVolumeController.h"
#include "table/datasource.h"
#include "table/dxDBGrid.h"
#include "table/dxmdaset.h"

namespace {

// ---- Handlers by name ----

using NotifyMethod = void (TfrmMain::*)(TObject*);
using MouseMethod = void (TfrmMain::*)(TObject*, TMouseButton, TShiftState, int, int);

const std::map<std::string, NotifyMethod>& NotifyHandlers()
{
    static const std::map<std::string, NotifyMethod> handlers = {
        {"FormCreate", &TfrmMain::FormCreate},
        {"ShellTreeView1Click", &TfrmMain::ShellTreeView1Click},
        {"btnPlayClick", &TfrmMain::btnPlayClick},
        {"btnStopClick", &TfrmMain::btnStopClick},
        {"btnPauseClick", &TfrmMain::btnPauseClick},
        {"btnPriorClick", &TfrmMain::btnPriorClick},
        {"btnNextClick", &TfrmMain::btnNextClick},
        {"dxDBGrid1DblClick", &TfrmMain::dxDBGrid1DblClick},
        {"Timer1Timer", &TfrmMain::Timer1Timer},
        {"qivTrackBar1Change", &TfrmMain::qivTrackBar1Change},
        {"TrackBar1Change", &TfrmMain::TrackBar1Change},
        {"tbtnMuteClick", &TfrmMain::tbtnMuteClick},
    };
    return handlers;
}

const std::map<std::string, MouseMethod>& MouseHandlers()
{
    static const std::map<std::string, MouseMethod> handlers = {
        {"qivTrackBar1MouseDown", &TfrmMain::qivTrackBar1MouseDown},
        {"qivTrackBar1MouseUp", &TfrmMain::qivTrackBar1MouseUp},
    };
    return handlers;
}

TNotifyEvent Notify(TfrmMain* form, const std::string& name)
{
    const NotifyMethod method = NotifyHandlers().at(name);
    return [form, method](TObject* Sender) { (form->*method)(Sender); };
}

TMouseEvent Mouse(TfrmMain* form, const std::string& name)
{
    const MouseMethod method = MouseHandlers().at(name);
    return [form, method](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
        (form->*method)(Sender, Button, Shift, X, Y);
    };
}

template <class T, class... Args>
T* Make(TfrmMain* owner, const char* name, Args&&... args)
{
    T* component = new T(owner, std::forward<Args>(args)...);
    component->SetName(name);
    return component;
}

// A component of the design made by a builder, by its name.
template <class T>
T* Find(TfrmMain* owner, const char* name)
{
    T* component = dynamic_cast<T*>(owner->FindComponent(name));
    if (!component)
        throw Exception(Format("%s: missing from the design", name));
    return component;
}

// A control placed inside a parent control's widget at its designed bounds.
template <class T>
T* Place(TfrmMain* owner, const char* name, TControl* parent, int left, int top, int width, int height)
{
    T* control = Make<T>(owner, name);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

// A control aligned inside a container widget, taking width or height as designed.
template <class T>
T* Align(TfrmMain* owner, const char* name, QWidget* container, TAlign align, int width, int height)
{
    T* control = Make<T>(owner, name);
    control->SetBounds(0, 0, width, height);
    AlignIn(container, control, align);
    return control;
}

TStringField* Field(TfrmMain* owner, const char* name, TdxMemData* table, const char* fieldName, int size,
                    const char* displayLabel = "", int displayWidth = 0)
{
    auto* field = Make<TStringField>(owner, name);
    field->SetFieldName(fieldName);
    field->SetSize(size);
    if (*displayLabel)
        field->SetDisplayLabel(displayLabel);
    if (displayWidth > 0)
        field->SetDisplayWidth(displayWidth);
    field->SetDataSet(table);
    return field;
}

template <class T>
T* Column(TfrmMain* owner, const char* name, TdxDBGrid* grid, const char* fieldName, int width, bool visible,
          bool readOnly)
{
    auto* column = Make<T>(owner, name);
    column->SetGrid(grid);
    column->SetFieldName(fieldName);
    column->SetWidth(width);
    column->SetVisible(visible);
    column->SetReadOnly(readOnly);
    return column;
}

// A display strip: black, aqua "Arial" text, no bevel.
void Strip(TPanel* panel, TAlignment alignment, int fontHeight, const char* caption = "")
{
    panel->SetBevelOuter(TBevelCut::bvNone);
    panel->SetColor(clBlack);
    panel->SetFontColor(clAqua);
    panel->SetFont("Arial", fontHeight);
    panel->SetAlignment(alignment);
    panel->SetCaption(caption);
}

// ---- Pictures ----

QPixmap Blank()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QIcon Speaker(bool waves)
{
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    QPainterPath body;
    body.moveTo(1, 6);
    body.lineTo(4, 6);
    body.lineTo(8, 2);
    body.lineTo(8, 14);
    body.lineTo(4, 10);
    body.lineTo(1, 10);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(Qt::NoBrush);
    if (waves) {
        p.setPen(QPen(QColor(30, 90, 200), 1.3));
        p.drawArc(QRectF(6, 5, 5, 6), -60 * 16, 120 * 16);
        p.drawArc(QRectF(5, 3, 9, 10), -60 * 16, 120 * 16);
    } else {
        p.setPen(QPen(QColor(200, 30, 30), 1.5));
        p.drawLine(QPointF(10, 6), QPointF(14, 10));
        p.drawLine(QPointF(14, 6), QPointF(10, 10));
    }
    return QIcon(pixmap);
}

}  // namespace

void TfrmMain::LoadDesign()
{
    TfrmMain* self = this;

    // -- The window --
    SetName("frmMain");
    SetCaption("frmMain");
    SetWindowBounds(215, 189, 795, 509);  // client size; the frame makes it 803 x 536
    {
        // The design's fonts, where this system lacks them, by metric-compatible
        // ones; Chinese text falls back to a CJK font.
        static const bool substituted = [] {
            const QString cjk = "Noto Sans CJK TC";
            QFont::insertSubstitutions("Arial", {"Liberation Sans", cjk});
            QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", cjk});
            QFont::insertSubstitutions("Tahoma", {"DejaVu Sans", "Liberation Sans", cjk});
            return true;
        }();
        (void)substituted;
        QFont font("MS Sans Serif");
        font.setPixelSize(11);
        Widget()->setFont(font);
    }
    OnCreate = Notify(self, "FormCreate");
    OnClose = [self](TObject* Sender, TCloseAction& Action) { self->FormClose(Sender, Action); };

    // -- Non-visual components --
    ImageList1 = Make<TImageList>(self, "ImageList1", 16, 16);
    const QIcon blank(Blank());  // one picture, shared by the 41 empty places
    for (int i = 0; i < 41; ++i)
        ImageList1->Add(blank);
    ImageList1->Add(Speaker(true));   // 41: sound on
    ImageList1->Add(Speaker(false));  // 42: muted
    ilDockIcons = Make<TImageList>(self, "ilDockIcons", 16, 16);
    FillDockIcons(ilDockIcons);

    dxMemData = Make<TdxMemData>(self, "dxMemData");
    dxMemDataFileName = Field(self, "dxMemDataFileName", dxMemData, "FileName", 40, "檔案名稱", 28);
    dxMemDataFileLeng = Field(self, "dxMemDataFileLeng", dxMemData, "FileLeng", 6, " 時 間", 9);
    // Any path the file system allows, so that every listed song can play.
    dxMemDataFileName2 = Field(self, "dxMemDataFileName2", dxMemData, "FileName2", 4096, "檔案路徑", 168);
    dxMemData->SetSortedField("FileName");
    dxMemData->AfterScroll = [self](TdxMemData* DataSet) { self->dxMemDataAfterScroll(DataSet); };

    dxMemData2 = Make<TdxMemData>(self, "dxMemData2");
    dxMemData2ID = Field(self, "dxMemData2ID", dxMemData2, "ID", 12);
    dxMemData2Desc = Field(self, "dxMemData2Desc", dxMemData2, "Desc", 120);
    dxMemData2->SetSortedField("ID");

    DataSource1 = Make<TDataSource>(self, "DataSource1");
    DataSource1->SetDataSet(dxMemData);
    DataSource2 = Make<TDataSource>(self, "DataSource2");
    DataSource2->SetDataSet(dxMemData2);

    Timer1 = Make<TTimer>(self, "Timer1");
    Timer1->SetEnabled(false);
    Timer1->SetInterval(1000);
    Timer1->OnTimer = Notify(self, "Timer1Timer");

    ssVolumeController1 = Make<TssVolumeController>(self, "ssVolumeController1", FServices.Mixer);
    ssVolumeController1->ReadDesign({/*Mute*/ false, /*Volume*/ 9, /*Balance*/ 0});

    ApplicationEvents1 = Make<TApplicationEvents>(self, "ApplicationEvents1");
    ApplicationEvents1->OnIdle = [self](TObject* Sender, bool& Done) { self->ApplicationEvents1Idle(Sender, Done); };

    // -- Docking: the tool-bar panel on top, the song list over the lyric
    //    tabs, the explorer collapsed to its tab on the left --
    dxDockingManager1 = PlayerDockingManager(self, ilDockIcons);
    dsHost = BuildDockLayout(self, ClientArea(), PlayerDockLayout());
    dxLayoutDockSite1 = Find<TdxLayoutDockSite>(self, "dxLayoutDockSite1");
    dxLayoutDockSite5 = Find<TdxLayoutDockSite>(self, "dxLayoutDockSite5");
    dxLayoutDockSite2 = Find<TdxLayoutDockSite>(self, "dxLayoutDockSite2");
    dxVertContainerDockSite2 = Find<TdxVertContainerDockSite>(self, "dxVertContainerDockSite2");
    dxTabContainerDockSite2 = Find<TdxTabContainerDockSite>(self, "dxTabContainerDockSite2");
    dxDockPanel1 = Find<TdxDockPanel>(self, "dxDockPanel1");
    dpnlFileList = Find<TdxDockPanel>(self, "dpnlFileList");
    dpnlDynamicLyric = Find<TdxDockPanel>(self, "dpnlDynamicLyric");
    dpnlLyric = Find<TdxDockPanel>(self, "dpnlLyric");
    dpnlExplorer = Find<TdxDockPanel>(self, "dpnlExplorer");

    CoolBar2 = Make<TCoolBar>(self, "CoolBar2");
    CoolBar2->SetBounds(0, 0, 767, 58);
    AlignIn(dxDockPanel1->Widget(), CoolBar2, TAlign::alTop);

    // -- Tool bar 1: playback --
    ToolBar1 = Make<TToolBar>(self, "ToolBar1");
    ToolBar1->SetBounds(0, 0, 752, 22);
    ToolBar1->SetBorderWidth(1);  // no edge lines
    ToolBar1->SetFlat(true);
    ToolBar1->SetShowHint(true);
    CoolBar2->AddBand(ToolBar1, 26, 763);
    btnPlay = Place<TSpeedButton>(self, "btnPlay", ToolBar1, 0, 0, 23, 22);
    btnPause = Place<TSpeedButton>(self, "btnPause", ToolBar1, 23, 0, 23, 22);
    btnPrior = Place<TSpeedButton>(self, "btnPrior", ToolBar1, 46, 0, 23, 22);
    btnNext = Place<TSpeedButton>(self, "btnNext", ToolBar1, 69, 0, 23, 22);
    btnStop = Place<TSpeedButton>(self, "btnStop", ToolBar1, 92, 0, 23, 22);
    for (auto [button, hint, glyph, handler] :
         {std::tuple{btnPlay, "撥放", TdxMediaGlyph::Play, "btnPlayClick"},
          std::tuple{btnPause, "暫停", TdxMediaGlyph::Pause, "btnPauseClick"},
          std::tuple{btnPrior, "上一個", TdxMediaGlyph::Prior, "btnPriorClick"},
          std::tuple{btnNext, "下一個", TdxMediaGlyph::Next, "btnNextClick"},
          std::tuple{btnStop, "停止", TdxMediaGlyph::Stop, "btnStopClick"}}) {
        button->SetFlat(true);
        button->SetGlyph(MediaGlyphIcon(glyph));
        button->SetShowHint(true);
        button->SetHint(hint);
        button->OnClick = Notify(self, handler);
    }
    qivTrackBar1 = Place<TqivTrackBar>(self, "qivTrackBar1", ToolBar1, 115, 0, 102, 22);
    qivTrackBar1->SetMax(100);
    qivTrackBar1->SetShowHint(true);
    qivTrackBar1->SetHint("撥放進度");
    qivTrackBar1->OnChange = Notify(self, "qivTrackBar1Change");
    qivTrackBar1->onMouseDown = Mouse(self, "qivTrackBar1MouseDown");
    qivTrackBar1->onMouseUp = Mouse(self, "qivTrackBar1MouseUp");
    Panel8 = Place<TPanel>(self, "Panel8", ToolBar1, 217, 0, 44, 22);
    Panel8->SetBevelOuter(TBevelCut::bvNone);
    Panel8->SetBorderWidth(3);
    pnlTime = Align<TPanel>(self, "pnlTime", Panel8->Widget(), TAlign::alClient, 38, 16);
    Strip(pnlTime, TAlignment::taCenter, 13, "00:00");
    Panel8->SetBorderWidth(3);
    cbxPlay = Place<TCheckBox>(self, "cbxPlay", ToolBar1, 261, 0, 102, 22);
    cbxPlay->SetCaption("撥放全部");
    cbxPlay->SetChecked(true);

    // -- Tool bar 2: volume and the song strip --
    tbMedia = Make<TToolBar>(self, "tbMedia");
    tbMedia->SetBounds(0, 0, 752, 22);
    tbMedia->SetBorderWidth(1);  // no edge lines
    tbMedia->SetFlat(true);
    tbMedia->SetShowHint(true);
    CoolBar2->AddBand(tbMedia, 26, 763);
    CoolBar2->SetAutoSize(true);
    tbMedia->SetImages(ImageList1);
    tbtnMute = Place<TToolButton>(self, "tbtnMute", tbMedia, 0, 0, 23, 22);
    tbtnMute->SetImages(ImageList1);
    tbtnMute->SetImageIndex(41);
    tbtnMute->SetShowHint(true);
    tbtnMute->SetHint("靜音");
    tbtnMute->OnClick = Notify(self, "tbtnMuteClick");
    TrackBar1 = Place<TTrackBar>(self, "TrackBar1", tbMedia, 23, 0, 66, 22);
    TrackBar1->SetMax(100);
    TrackBar1->SetPageSize(1);
    TrackBar1->SetFrequency(5);
    TrackBar1->SetShowHint(true);
    TrackBar1->SetHint("調整音量");
    TrackBar1->OnChange = Notify(self, "TrackBar1Change");
    Panel12 = Place<TPanel>(self, "Panel12", tbMedia, 89, 0, 240, 22);
    Panel12->SetBevelOuter(TBevelCut::bvNone);
    Panel13 = Align<TPanel>(self, "Panel13", Panel12->Widget(), TAlign::alLeft, 6, 16);
    Strip(Panel13, TAlignment::taLeftJustify, 12);
    pnlPlayTime = Align<TPanel>(self, "pnlPlayTime", Panel12->Widget(), TAlign::alRight, 40, 16);
    Strip(pnlPlayTime, TAlignment::taCenter, 12);
    pnlPlayFile = Align<TPanel>(self, "pnlPlayFile", Panel12->Widget(), TAlign::alClient, 188, 16);
    Strip(pnlPlayFile, TAlignment::taLeftJustify, 12);
    Panel12->SetBorderWidth(3);

    // -- Song list --
    QWidget* list = dpnlFileList->Widget();
    Panel14 = Align<TPanel>(self, "Panel14", list, TAlign::alBottom, 771, 23);
    Panel14->SetBevelOuter(TBevelCut::bvLowered);
    Panel15 = Align<TPanel>(self, "Panel15", Panel14->Widget(), TAlign::alLeft, 3, 17);
    Strip(Panel15, TAlignment::taLeftJustify, 12);
    pnlCurrentText = Align<TPanel>(self, "pnlCurrentText", Panel14->Widget(), TAlign::alClient, 758, 17);
    Strip(pnlCurrentText, TAlignment::taLeftJustify, 12);
    Panel14->SetBorderWidth(2);
    dxDBGrid1 = Align<TdxDBGrid>(self, "dxDBGrid1", list, TAlign::alClient, 771, 200);
    dxDBGrid1->SetDataSource(DataSource1);
    dxDBGrid1->SetLookAndFeel(lfFlat);
    dxDBGrid1->SetOptionsView(edgoBandHeaderWidth | edgoRowSelect | edgoUseBitmap);
    dxDBGrid1->OnDblClick = Notify(self, "dxDBGrid1DblClick");
    //                                        name                  grid       field        width visible read-only
    Column<TdxDBGridColumn>(self, "dxDBGrid1RecId", dxDBGrid1, "RecId", 26, false, false);
    Column<TdxDBGridMaskColumn>(self, "dxDBGrid1FileName", dxDBGrid1, "FileName", 144, true, true);
    Column<TdxDBGridMaskColumn>(self, "dxDBGrid1FileLeng", dxDBGrid1, "FileLeng", 38, false, true);
    Column<TdxDBGridMaskColumn>(self, "dxDBGrid1FileName2", dxDBGrid1, "FileName2", 319, true, true);

    // -- Lyrics --
    dxDBGrid2 = Align<TdxDBGrid>(self, "dxDBGrid2", dpnlDynamicLyric->Widget(), TAlign::alClient, 771, 140);
    dxDBGrid2->SetDataSource(DataSource2);
    dxDBGrid2->SetShowGrid(false);
    dxDBGrid2->SetShowHeader(false);
    dxDBGrid2->SetShowHint(false);
    Column<TdxDBGridColumn>(self, "dxDBGrid2RecId", dxDBGrid2, "RecId", TdxDBGridColumn::DefaultWidth, false, false);
    Column<TdxDBGridMaskColumn>(self, "dxDBGrid2ID", dxDBGrid2, "ID", TdxDBGridColumn::DefaultWidth, false, false);
    Column<TdxDBGridMaskColumn>(self, "dxDBGrid2Desc", dxDBGrid2, "Desc", 500, true, false);
    memLyric = Align<TMemo>(self, "memLyric", dpnlLyric->Widget(), TAlign::alClient, 771, 140);

    // -- Folder tree --
    ShellTreeView1 = Align<TShellTreeView>(self, "ShellTreeView1", dpnlExplorer->Widget(), TAlign::alClient,
                                           185, 400);
    ShellTreeView1->SetObjectTypes(otFolders);
    ShellTreeView1->SetUseShellImages(true);
    ShellTreeView1->SetAutoRefresh(false);
    ShellTreeView1->SetShowRoot(false);
    ShellTreeView1->SetRightClickSelect(true);
    ShellTreeView1->SetIndent(19);
    ShellTreeView1->SetParentColor(false);
    ShellTreeView1->SetRoot("rfMyComputer");
    ShellTreeView1->OnClick = Notify(self, "ShellTreeView1Click");

    // -- Loading completes: stored values take effect, the tables open --
    for (int i = 0; i < ComponentCount(); ++i)
        Components(i)->Loaded();
    dxMemData->Open();
    dxMemData2->Open();
}
