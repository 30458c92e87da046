#pragma once

#include <QString>
#include <array>
#include <functional>

#include "extremes.h"

// The digital display's captions as the session holds them. Record rows, closing rows, raw-list
// lines and the unit check read them here; the window only shows them.
class DigitalCaptions : public ExtremeLabels
{
  public:
    DigitalCaptions() { load(); }

    // As a window made anew has them: its stored captions, then those of its load handler.
    void load();

    QString caption(XLabel which) const override { return m_text[size_t(which)]; }
    const QString& text(XLabel which) const { return m_text[size_t(which)]; }
    void setCaption(XLabel which, const QString& text) override;

    // Told of every caption that changes.
    std::function<void(XLabel, const QString&)> changed;

  private:
    std::array<QString, XLabelCount> m_text;
};
