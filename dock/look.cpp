#include "dock/look.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <vector>

#include "forms/application.h"
#include "forms/comctrls.h"

namespace {

constexpr int kTabThickness = 22;

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

TdxDockingOptions DefaultOptions()
{
    return {TdxDockingOption::doActivateAfterDocking,     TdxDockingOption::doDblClickDocking,
            TdxDockingOption::doFloatingOnTop,            TdxDockingOption::doTabContainerHasCaption,
            TdxDockingOption::doTabContainerCanAutoHide,  TdxDockingOption::doSideContainerCanClose,
            TdxDockingOption::doSideContainerCanAutoHide, TdxDockingOption::doTabContainerCanInSideContainer};
}

QColor Resolve(TColor color, QPalette::ColorRole systemRole)
{
    if (IsSystemColor(color)) {
        if (color == clWindowText)
            return QApplication::palette().color(QPalette::WindowText);
        return QApplication::palette().color(systemRole);
    }
    return ToQColor(color);
}

}  // namespace

void DockDispatch(const std::function<void()>& handler)
{
    if (Application)
        Application->Dispatch(handler);
    else
        handler();
}

TdxDockingOptions DockOptions(const TdxDockControl* control)
{
    const TdxDockingManager* manager = control->Manager();
    return manager ? manager->Options() : DefaultOptions();
}

// ---- look ----

QFont DockFont(const TdxDockingManager* manager)
{
    QFont font(Q(manager ? manager->FontName() : std::string("Tahoma")));
    font.setPixelSize(manager ? manager->FontHeight() : 11);
    return font;
}

QIcon DockImage(const TdxDockingManager* manager, int index)
{
    if (!manager || !manager->Images() || index < 0)
        return {};
    return manager->Images()->Image(index);
}

void ApplyDockLook(QWidget* widget, const TdxDockingManager* manager)
{
    const QColor back = Resolve(manager ? manager->Color() : clBtnFace, QPalette::Button);
    const QColor text = Resolve(manager ? manager->FontColor() : clBlack, QPalette::WindowText);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, back);
    palette.setColor(QPalette::Button, back);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    widget->setPalette(palette);
    widget->setFont(DockFont(manager));
    widget->setAutoFillBackground(true);
}

QIcon DockGlyph(TdxGlyph glyph, const QColor& color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, glyph == TdxGlyph::Close);
    p.setPen(QPen(color, glyph == TdxGlyph::Close ? 1.6 : 1.0));
    switch (glyph) {
    case TdxGlyph::Pin:  // standing pin: docked, a click auto-hides
        p.drawRect(5, 2, 5, 6);
        p.drawLine(8, 3, 8, 7);
        p.drawLine(3, 9, 12, 9);
        p.drawLine(7, 10, 7, 14);
        break;
    case TdxGlyph::Unpin:  // lying pin: auto-hidden, a click docks
        p.drawRect(2, 5, 6, 5);
        p.drawLine(3, 8, 7, 8);
        p.drawLine(9, 3, 9, 12);
        p.drawLine(10, 7, 14, 7);
        break;
    case TdxGlyph::Float:
        p.drawRect(3, 4, 10, 8);
        p.drawLine(3, 5, 13, 5);
        break;
    case TdxGlyph::Dock:
        p.drawRect(2, 6, 8, 7);
        p.drawLine(5, 3, 13, 3);
        p.drawLine(13, 3, 13, 10);
        p.drawLine(10, 10, 13, 10);
        p.drawLine(5, 3, 5, 6);
        break;
    case TdxGlyph::Close:
        p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
        p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
        break;
    }
    return QIcon(pixmap);
}

// ---- media glyphs ----

QPixmap MediaGlyphStrip(TdxMediaGlyph glyph)
{
    QPixmap strip(32, 16);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    auto draw = [&p, glyph](double dx, double dy, const QColor& color) {
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        auto triangle = [&](double x0, double x1, bool right) {
            QPainterPath path;
            path.moveTo(dx + (right ? x0 : x1), dy + 3);
            path.lineTo(dx + (right ? x1 : x0), dy + 8);
            path.lineTo(dx + (right ? x0 : x1), dy + 13);
            path.closeSubpath();
            p.drawPath(path);
        };
        auto bar = [&](double x, double y, double w, double h) { p.drawRect(QRectF(dx + x, dy + y, w, h)); };
        switch (glyph) {
        case TdxMediaGlyph::Play: triangle(5, 12, true); break;
        case TdxMediaGlyph::Pause:
            bar(4, 3, 3, 10);
            bar(9, 3, 3, 10);
            break;
        case TdxMediaGlyph::Prior:
            bar(3, 3, 2, 10);
            triangle(5, 12, false);
            break;
        case TdxMediaGlyph::Next:
            triangle(4, 11, true);
            bar(11, 3, 2, 10);
            break;
        case TdxMediaGlyph::Stop: bar(4, 4, 8, 8); break;
        }
    };
    draw(0, 0, QColor(0, 0, 0));
    draw(17, 1, QColor(255, 255, 255));  // the highlight of the greyed image
    draw(16, 0, QColor(128, 128, 128));
    return strip;
}

QIcon MediaGlyphIcon(TdxMediaGlyph glyph)
{
    const QPixmap strip = MediaGlyphStrip(glyph);
    QIcon icon;
    icon.addPixmap(strip.copy(0, 0, 16, 16), QIcon::Normal);
    icon.addPixmap(strip.copy(16, 0, 16, 16), QIcon::Disabled);
    return icon;
}

// ---- TdxCaptionBar ----

TdxCaptionBar::TdxCaptionBar(TdxDockPanel* panel, Kind kind, QWidget* parent)
    : QWidget(parent), FPanel(panel), FKind(kind)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 2, 2);
    layout->setSpacing(3);
    FIcon = new QLabel(this);
    FIcon->setFixedSize(16, 16);
    FText = new QLabel(this);
    FText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(FIcon);
    layout->addWidget(FText, 1);
    auto button = [this, layout](const char* hint) {
        auto* b = new QToolButton(this);
        b->setAutoRaise(true);
        b->setFixedSize(16, 16);
        b->setIconSize(QSize(16, 16));
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolTip(QString::fromUtf8(hint));
        layout->addWidget(b);
        return b;
    };
    FPin = button("自動隱藏");
    FFloat = button("浮動");
    FClose = button("關閉");
    connect(FPin, &QToolButton::clicked, this,
            [this] { DockDispatch([this] { FPanel->SetAutoHide(!FPanel->AutoHide()); }); });
    connect(FFloat, &QToolButton::clicked, this,
            [this] { DockDispatch([this] { FPanel->SetFloating(!FPanel->Floating()); }); });
    connect(FClose, &QToolButton::clicked, this, [this] { DockDispatch([this] { FPanel->SetVisible(false); }); });
    Update();
}

QSize TdxCaptionBar::sizeHint() const
{
    return {QWidget::sizeHint().width(), std::max(20, fontMetrics().height() + 6)};
}
QSize TdxCaptionBar::minimumSizeHint() const { return {60, sizeHint().height()}; }

void TdxCaptionBar::Update()
{
    const TdxDockingManager* manager = FPanel->Manager();
    ApplyDockLook(this, manager);
    const QIcon icon = DockImage(manager, FPanel->ImageIndex());
    FIcon->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(16, 16));
    FIcon->setVisible(!icon.isNull());
    FText->setText(Q(FPanel->Caption()));
    const QColor glyphColor = palette().color(QPalette::WindowText);
    const TdxDockingOptions options = DockOptions(FPanel);
    if (FKind == Kind::Slide) {
        FPin->setIcon(DockGlyph(TdxGlyph::Unpin, glyphColor));
        FPin->setVisible(true);
        FFloat->setVisible(false);
        FClose->setVisible(true);
    } else if (FPanel->Floating()) {
        FPin->setVisible(false);
        FFloat->setIcon(DockGlyph(TdxGlyph::Dock, glyphColor));
        FFloat->setVisible(true);
        FClose->setVisible(true);
    } else {
        const bool tabbed = !FPanel->TabbedWith().empty();
        FPin->setIcon(DockGlyph(TdxGlyph::Pin, glyphColor));
        FPin->setVisible(options.Contains(tabbed ? TdxDockingOption::doTabContainerCanAutoHide
                                                 : TdxDockingOption::doSideContainerCanAutoHide));
        FFloat->setIcon(DockGlyph(TdxGlyph::Float, glyphColor));
        FFloat->setVisible(FPanel->AllowFloating());
        FClose->setVisible(tabbed || options.Contains(TdxDockingOption::doSideContainerCanClose));
    }
    FClose->setIcon(DockGlyph(TdxGlyph::Close, glyphColor));
}

void TdxCaptionBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (FKind != Kind::Dock || event->button() != Qt::LeftButton)
        return;
    if (!DockOptions(FPanel).Contains(TdxDockingOption::doDblClickDocking))
        return;
    if (FPanel->Floating() || FPanel->AllowFloating())
        DockDispatch([this] { FPanel->SetFloating(!FPanel->Floating()); });
}

void TdxCaptionBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::Window).darker(130));
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
}

// ---- TdxAutoHideTab ----

namespace {

// East Asian characters stand upright in a vertical caption; other text runs
// downwards on its side.
bool Upright(char32_t c)
{
    const QChar::Script script = QChar::script(c);
    return script == QChar::Script_Han || script == QChar::Script_Hiragana || script == QChar::Script_Katakana ||
           script == QChar::Script_Hangul || script == QChar::Script_Bopomofo || (c >= 0x3000 && c <= 0x303F) ||
           (c >= 0xFF00 && c <= 0xFFEF);
}

struct TdxRun {
    QString text;
    bool upright;
};

std::vector<TdxRun> VerticalRuns(const QString& caption)
{
    std::vector<TdxRun> runs;
    for (char32_t c : caption.toUcs4()) {
        const QString ch = QString::fromUcs4(&c, 1);
        const bool upright = Upright(c);
        if (upright || runs.empty() || runs.back().upright)
            runs.push_back({ch, upright});
        else
            runs.back().text += ch;
    }
    return runs;
}

int RunLength(const TdxRun& run, const QFontMetrics& fm)
{
    return run.upright ? fm.height() : fm.horizontalAdvance(run.text);
}

}  // namespace

TdxAutoHideTab::TdxAutoHideTab(TdxDockPanel* panel, bool vertical, QWidget* parent)
    : QAbstractButton(parent), FPanel(panel), FVertical(vertical)
{
    setFocusPolicy(Qt::NoFocus);
    setToolTip(Q(panel->Hint().empty() ? panel->Caption() : panel->Hint()));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize TdxAutoHideTab::sizeHint() const
{
    const bool icon = !DockImage(FPanel->Manager(), FPanel->ImageIndex()).isNull();
    const QString caption = Q(FPanel->Caption());
    int text = 0;
    if (FVertical)
        for (const TdxRun& run : VerticalRuns(caption))
            text += RunLength(run, fontMetrics());
    else
        text = fontMetrics().horizontalAdvance(caption);
    const int length = 6 + (icon ? 20 : 0) + text + 6;
    return FVertical ? QSize(kTabThickness, length) : QSize(length, kTabThickness);
}

void TdxAutoHideTab::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor back = palette().color(QPalette::Button);
    p.fillRect(rect(), isDown() || FPanel->SlidOut() ? back.darker(110) : back);
    p.setPen(back.darker(150));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const int thickness = FVertical ? width() : height();
    int at = 6;  // along the tab
    const QIcon icon = DockImage(FPanel->Manager(), FPanel->ImageIndex());
    if (!icon.isNull()) {
        if (FVertical)
            icon.paint(&p, (thickness - 16) / 2, at, 16, 16);
        else
            icon.paint(&p, at, (thickness - 16) / 2, 16, 16);
        at += 20;
    }
    p.setPen(palette().color(QPalette::ButtonText));
    p.setFont(font());
    const QString caption = Q(FPanel->Caption());
    if (!FVertical) {
        p.drawText(QRect(at, 0, width() - at - 2, thickness), Qt::AlignVCenter | Qt::AlignLeft, caption);
        return;
    }
    const QFontMetrics fm = fontMetrics();
    for (const TdxRun& run : VerticalRuns(caption)) {
        const int length = RunLength(run, fm);
        if (run.upright) {
            p.drawText(QRect(0, at, thickness, length), Qt::AlignCenter, run.text);
        } else {
            // On its side, read with the head tilted to the right.
            p.save();
            p.translate(thickness, at);
            p.rotate(90);
            p.drawText(QRect(0, 0, length, thickness), Qt::AlignVCenter | Qt::AlignLeft, run.text);
            p.restore();
        }
        at += length;
    }
}
