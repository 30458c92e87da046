#include "captions.h"

void DigitalCaptions::load()
{
    for (int i = 0; i < XLabelCount; ++i)
        setCaption(XLabel(i), QString());
    // The one-display panel shows its stored captions until they are first set.
    setCaption(XLabel::Label1, QStringLiteral("Label1"));
    setCaption(XLabel::Label4, QStringLiteral("Label4"));
    setCaption(XLabel::Label18, QStringLiteral("Label18"));
    setCaption(XLabel::Label19, QStringLiteral("Label19"));
    setCaption(XLabel::Label14, QStringLiteral("99999"));
    setCaption(XLabel::Label13, QStringLiteral("99999"));
    setCaption(XLabel::Label8, QStringLiteral("-99999"));
    setCaption(XLabel::Label7, QStringLiteral("-99999"));
}

void DigitalCaptions::setCaption(XLabel which, const QString& text)
{
    QString& held = m_text[size_t(which)];
    // Most packets leave the extremes as they were; an unchanged text costs nothing.
    if (held == text)
        return;
    held = text;
    if (changed)
        changed(which, text);
}
