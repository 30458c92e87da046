#pragma once

#include <QFont>
#include <QHash>
#include <QLabel>
#include <QStaticText>
#include <vector>

// A label for texts that change with every packet. Readings and units are plain Latin text: each
// character is laid out once per font and kept, so a new reading costs a table lookup and a few
// glyph copies instead of a text layout. The label paints its own background, so nothing behind
// it is drawn again; with `fit` the text shrinks to the label's width rather than lose characters.
// A dimmed label shows its text faded; a label in alarm shows it in the alarm colour (faded too
// when both).
class LiveLabel : public QLabel
{
    Q_OBJECT
  public:
    explicit LiveLabel(const QString& text = QString(), QWidget* parent = nullptr,
                       bool fit = false);

    void setDimmed(bool dimmed);
    bool dimmed() const { return m_dimmed; }
    void setAlarm(bool alarm);
    bool alarm() const { return m_alarm; }
    static QColor alarmColor() { return QColor(0xd0, 0x10, 0x10); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Glyph
    {
        QStaticText text;
        qreal advance = 0;
    };
    struct Glyphs
    {
        QFont asked; // the font as the label has it
        QFont font;  // the same, drawn without shaping
        qreal height = 0;
        std::vector<Glyph> byChar; // Latin-1: 256 entries, laid out on first use
    };
    Glyphs& glyphs(const QFont& font);
    qreal widthOf(Glyphs& g, const QString& text);

    bool m_fit;
    bool m_dimmed = false;
    bool m_alarm = false;
    std::vector<Glyphs> m_fonts; // the label's font, and the smaller ones a long text needed
};
