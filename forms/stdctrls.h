#pragma once
// Panels, check boxes and memos: thin controls over Qt widgets.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "forms/control.h"
#include "forms/graphics.h"

class QLabel;
class QCheckBox;
class QPlainTextEdit;

// A panel shows a one-line caption, as plain text, and may hold other controls.
class TPanel : public TControl {
public:
    explicit TPanel(TComponent* AOwner);

    const std::string& Caption() const { return FCaption; }
    // Also clears the highlights.
    void SetCaption(const std::string& value);
    // Byte ranges [first, second) of the caption drawn in HighlightColor
    // instead of the font colour, as a karaoke line fills its sung words.
    using TTextRanges = std::vector<std::pair<std::size_t, std::size_t>>;
    const TTextRanges& Highlights() const { return FHighlights; }
    void SetHighlights(TTextRanges ranges);
    TColor HighlightColor() const { return FHighlightColor; }
    void SetHighlightColor(TColor value);
    // True: the panel paints its caption itself (with its highlights), so
    // that a new caption only repaints it; false: the label shows it, and
    // highlights are not drawn.
    bool PaintsCaption() const { return FPaintsCaption; }
    void SetPaintsCaption(bool value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor value);
    // Font family and character height in pixels.
    void SetFont(const std::string& family, int pixelHeight);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);

private:
    class PaintedLabel;
    QLabel* Label() const;
    void UpdateStyle();
    void UpdateText();
    void PaintCaption(QLabel* label) const;

    std::string FCaption;
    TTextRanges FHighlights;
    TColor FHighlightColor = clYellow;
    bool FPaintsCaption = false;
    TColor FColor = clBtnFace;
    TColor FFontColor = clWindowText;
    TAlignment FAlignment = TAlignment::taCenter;
    TBevelCut FBevelOuter = TBevelCut::bvRaised;
    int FBorderWidth = 0;
};

class TCheckBox : public TControl {
public:
    explicit TCheckBox(TComponent* AOwner);

    bool Checked() const;
    void SetChecked(bool value);
    std::string Caption() const;
    void SetCaption(const std::string& value);

private:
    QCheckBox* Box() const;
};

// A multi-line plain-text editor. Its text is held as lines; Text() joins them
// with CR LF. A text larger than Capacity() bytes is refused with an error.
class TMemo : public TControl {
public:
    explicit TMemo(TComponent* AOwner);

    // Default capacity: 4 MiB of text.
    static constexpr std::size_t DefaultCapacity = 4u << 20;
    std::size_t Capacity() const { return FCapacity; }
    void SetCapacity(std::size_t value) { FCapacity = value; }

    // Line breaks CR, LF or CR LF all count; Text() gives CR LF.
    std::string Text() const;
    void SetText(const std::string& value);
    void Clear();
    int LineCount() const;
    bool WordWrap() const;
    void SetWordWrap(bool value);
    bool ReadOnly() const;
    void SetReadOnly(bool value);

private:
    QPlainTextEdit* Edit() const;
    std::size_t FCapacity = DefaultCapacity;
};
