#include "forms/stdctrls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "forms/application.h"
#include "forms/exception.h"

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

// ---- TPanel ----

// The panel's label; it paints the caption itself when the panel says so.
// Its colour covers it wholly, so it paints its own background and nothing
// behind it is painted again when only the panel changes.
class TPanel::PaintedLabel : public QLabel {
public:
    explicit PaintedLabel(TPanel* panel) : FPanel(panel) { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        {
            // What the widget's background fill would paint: the colour,
            // then the style sheet's background.
            QPainter painter(this);
            painter.fillRect(event->rect(), palette().brush(backgroundRole()));
            QStyleOption option;
            option.initFrom(this);
            style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
        }
        // A painted caption leaves the label no text: without a frame it
        // has nothing to draw.
        if (!FPanel->FPaintsCaption || frameShape() != QFrame::NoFrame)
            QLabel::paintEvent(event);
        if (FPanel->FPaintsCaption)
            FPanel->PaintCaption(this);
    }

private:
    TPanel* FPanel;
};

TPanel::TPanel(TComponent* AOwner) : TControl(AOwner, new PaintedLabel(this))
{
    Label()->setAutoFillBackground(true);
    Label()->setTextFormat(Qt::PlainText);
    UpdateStyle();
}

QLabel* TPanel::Label() const { return static_cast<QLabel*>(Widget()); }

void TPanel::SetCaption(const std::string& value)
{
    // The same caption again (as on every idle pass) repaints nothing.
    if (value == FCaption && FHighlights.empty())
        return;
    FCaption = value;
    FHighlights.clear();
    UpdateText();
}

void TPanel::SetHighlights(TTextRanges ranges)
{
    for (auto& [first, last] : ranges) {
        last = std::min(last, FCaption.size());
        first = std::min(first, last);
    }
    std::erase_if(ranges, [](const auto& range) { return range.first == range.second; });
    if (ranges == FHighlights)
        return;
    FHighlights = std::move(ranges);
    if (Widget())
        Label()->update();
}

void TPanel::SetHighlightColor(TColor value)
{
    FHighlightColor = value;
    if (Widget())
        Label()->update();
}

void TPanel::SetPaintsCaption(bool value)
{
    FPaintsCaption = value;
    UpdateText();
}

void TPanel::UpdateText()
{
    QLabel* label = Label();
    if (!label)
        return;
    // A caption painted by the panel changes without a new layout.
    const QString text = FPaintsCaption ? QString() : Q(FCaption);
    if (label->text() != text)
        label->setText(text);
    if (FPaintsCaption)
        label->update();
}

void TPanel::PaintCaption(QLabel* label) const
{
    if (FCaption.empty())
        return;
    QPainter painter(label);
    painter.setFont(label->font());
    const QFontMetrics metrics(label->font());
    const QRect area = label->contentsRect();
    // The caption in runs, each in the font colour or the highlight colour.
    std::vector<std::pair<QString, bool>> runs;
    std::size_t at = 0;
    for (const auto& [first, last] : FHighlights) {
        if (first < at)
            continue;
        runs.emplace_back(Q(FCaption.substr(at, first - at)), false);
        runs.emplace_back(Q(FCaption.substr(first, last - first)), true);
        at = last;
    }
    runs.emplace_back(Q(FCaption.substr(at)), false);
    int width = 0;
    for (const auto& run : runs)
        width += metrics.horizontalAdvance(run.first);
    int x = area.left();
    if (FAlignment == TAlignment::taCenter)
        x += (area.width() - width) / 2;
    else if (FAlignment == TAlignment::taRightJustify)
        x += area.width() - width;
    const int y = area.top() + (area.height() - metrics.height()) / 2 + metrics.ascent();
    const QColor text = label->palette().color(label->foregroundRole());
    for (const auto& [run, highlighted] : runs) {
        painter.setPen(highlighted ? ToQColor(FHighlightColor) : text);
        painter.drawText(x, y, run);
        x += metrics.horizontalAdvance(run);
    }
}

void TPanel::SetColor(TColor value)
{
    FColor = value;
    UpdateStyle();
}

void TPanel::SetFontColor(TColor value)
{
    FFontColor = value;
    UpdateStyle();
}

void TPanel::SetFont(const std::string& family, int pixelHeight)
{
    if (!Widget())
        return;
    QFont font(Q(family));
    font.setPixelSize(pixelHeight);
    Label()->setFont(font);
}

void TPanel::SetAlignment(TAlignment value)
{
    FAlignment = value;
    UpdateStyle();
}

void TPanel::SetBevelOuter(TBevelCut value)
{
    FBevelOuter = value;
    UpdateStyle();
}

void TPanel::SetBorderWidth(int value)
{
    FBorderWidth = value;
    UpdateStyle();
}

void TPanel::UpdateStyle()
{
    QLabel* label = Label();
    if (!label)
        return;
    Qt::Alignment align = Qt::AlignVCenter;
    switch (FAlignment) {
    case TAlignment::taLeftJustify: align |= Qt::AlignLeft; break;
    case TAlignment::taRightJustify: align |= Qt::AlignRight; break;
    case TAlignment::taCenter: align |= Qt::AlignHCenter; break;
    }
    label->setAlignment(align);
    switch (FBevelOuter) {
    case TBevelCut::bvNone: label->setFrameStyle(QFrame::NoFrame); break;
    case TBevelCut::bvLowered: label->setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
    case TBevelCut::bvRaised: label->setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    }
    // The border insets both the text and the aligned children (a layout
    // works inside the label's contents margins); the bevel insets the
    // children by its width as well.
    const int frame = FBevelOuter == TBevelCut::bvNone ? 0 : 1;
    label->setContentsMargins(FBorderWidth, FBorderWidth, FBorderWidth, FBorderWidth);
    if (label->layout())
        label->layout()->setContentsMargins(frame, frame, frame, frame);
    // The colours are the label's own palette roles. A system colour sets
    // no role: the label takes the window's (the button face is the window
    // colour in this style and in the docks' look). A style sheet would do
    // the same at a price: it is parsed and polished at every change, and
    // every paint of the label goes through the style-sheet style.
    QPalette colours;
    if (!IsSystemColor(FColor))
        colours.setColor(QPalette::Window, ToQColor(FColor));
    if (!IsSystemColor(FFontColor))
        colours.setColor(QPalette::WindowText, ToQColor(FFontColor));
    label->setPalette(colours);
}

// ---- TCheckBox ----

TCheckBox::TCheckBox(TComponent* AOwner) : TControl(AOwner, new QCheckBox)
{
    QObject::connect(Box(), &QCheckBox::clicked, Box(), [this] {
        if (OnClick)
            Application->Dispatch([this] { OnClick(this); });
    });
}

QCheckBox* TCheckBox::Box() const { return static_cast<QCheckBox*>(Widget()); }

bool TCheckBox::Checked() const { return Box() && Box()->isChecked(); }

void TCheckBox::SetChecked(bool value)
{
    if (Box())
        Box()->setChecked(value);
}

std::string TCheckBox::Caption() const { return Box() ? Box()->text().toStdString() : std::string(); }

void TCheckBox::SetCaption(const std::string& value)
{
    if (Box())
        Box()->setText(Q(value));
}

// ---- TMemo ----

TMemo::TMemo(TComponent* AOwner) : TControl(AOwner, new QPlainTextEdit)
{
    Edit()->setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

QPlainTextEdit* TMemo::Edit() const { return static_cast<QPlainTextEdit*>(Widget()); }

std::string TMemo::Text() const
{
    if (!Edit())
        return {};
    // The editor separates lines with "\n"; the memo's text uses CR LF.
    const std::string plain = Edit()->toPlainText().toStdString();
    std::string out;
    out.reserve(plain.size() + plain.size() / 16);
    for (char c : plain) {
        if (c == '\n')
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

void TMemo::SetText(const std::string& value)
{
    if (value.size() > FCapacity)
        throw Exception("Text exceeds memo capacity");
    std::string normal;
    normal.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r') {
            normal += '\n';
            if (i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
        } else {
            normal += c;
        }
    }
    if (Edit())
        Edit()->setPlainText(Q(normal));
}

void TMemo::Clear()
{
    if (Edit())
        Edit()->clear();
}

int TMemo::LineCount() const
{
    if (!Edit() || Edit()->document()->isEmpty())
        return 0;
    return Edit()->document()->blockCount();
}

bool TMemo::WordWrap() const { return Edit() && Edit()->lineWrapMode() != QPlainTextEdit::NoWrap; }

void TMemo::SetWordWrap(bool value)
{
    if (Edit())
        Edit()->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

bool TMemo::ReadOnly() const { return Edit() && Edit()->isReadOnly(); }

void TMemo::SetReadOnly(bool value)
{
    if (Edit())
        Edit()->setReadOnly(value);
}
