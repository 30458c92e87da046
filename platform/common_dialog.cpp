#include "common_dialog.h"

#include <QAbstractFileIconProvider>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QMimeDatabase>
#include <QPrintDialog>
#include <QScreen>
#include <QStringList>
#include <QTreeView>

#include "printer.h"
#include "window_keys.h"

namespace {

// What the file list's Size, Type and Date columns can show here: the widest size text, the
// types of a folder and of the files the filter lets through, a date-time in every month.
QStringList sampleTexts(int column, const QFileDialog& dlg, const QStringList& patterns)
{
    QStringList texts;
    const QLocale locales[] = {QLocale(), QLocale::system()};
    if (column == 1) {
        for (const QLocale& l : locales)
            for (qint64 unit = 1; unit <= (qint64(1) << 40); unit <<= 10)
                texts << l.formattedDataSize(unit * 1023 + (unit > 1 ? unit - 1 : 0));
    } else if (column == 2) {
        if (const QAbstractFileIconProvider* icons = dlg.iconProvider())
            texts << icons->type(QFileInfo(QDir::homePath()));
        const QMimeDatabase mimes;
        for (const QString& pattern : patterns) {
            const QString name = QString(pattern).replace(u'*', QStringLiteral("file"));
            const QMimeType type = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
            texts << (type.comment().isEmpty() ? type.name() : type.comment());
        }
    } else {
        for (const QLocale& l : locales)
            for (int month = 1; month <= 12; ++month)
                texts << l.toString(QDateTime(QDate(2028, month, 28), QTime(23, 58, 58)),
                                    QLocale::ShortFormat);
    }
    return texts;
}

int cellWidth(const QTreeView* view, const QString& text)
{
    QStyleOptionViewItem opt;
    opt.initFrom(view);
    opt.font = view->font();
    opt.fontMetrics = view->fontMetrics();
    opt.features = QStyleOptionViewItem::HasDisplay;
    opt.text = text;
    return view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), view).width();
}

// Widens the file list's columns to what they can show, and the dialog to its columns, once
// its parts have their sizes and before it is placed and mapped. A native dialog has no list of
// ours and sizes itself.
class FitColumns : public QObject
{
  public:
    FitColumns(QFileDialog* dlg, QStringList patterns)
        : QObject(dlg), m_dlg(dlg), m_patterns(std::move(patterns))
    {
        dlg->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_dlg && event->type() == QEvent::Show && !m_done) {
            m_done = true;
            fit();
        }
        return false;
    }

  private:
    void fit()
    {
        auto* view = m_dlg->findChild<QTreeView*>(QStringLiteral("treeView"));
        if (!view)
            return;
        QHeaderView* header = view->header();
        int others = 0;
        for (int col = 1; col <= 3 && col < header->count(); ++col) {
            int w = header->sectionSizeHint(col);
            for (const QString& t : sampleTexts(col, *m_dlg, m_patterns))
                w = std::max(w, cellWidth(view, t));
            header->resizeSection(col, w);
            others += w;
        }
        // The name keeps its width where there is room, and gives way down to a short name.
        const int nameMin =
            cellWidth(view, QStringLiteral("TMP12316.CSV")) + view->iconSize().width();
        const int name = std::max(header->sectionSize(0), nameMin);
        const int bar = view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
        const QRect screen = m_dlg->screen()->availableGeometry();
        // Room for the window manager's frame.
        const int widest = screen.width() - 32;
        for (int tries = 0; tries < 3; ++tries) {
            const int missing = name + others + bar - view->viewport()->width();
            const int wider = std::min(m_dlg->width() + missing, widest);
            if (missing <= 0 || wider <= m_dlg->width())
                break;
            m_dlg->resize(wider, m_dlg->height());
        }
        header->resizeSection(0, std::max(nameMin, view->viewport()->width() - bar - others));
    }

    QFileDialog* m_dlg;
    QStringList m_patterns;
    bool m_done = false;
};

} // namespace

QString QtCommonDialog::qtFilter() const
{
    // "Description|pattern|Description|pattern" becomes Qt's "Description (pattern);;…"
    const QStringList parts = m_filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + QStringLiteral(" (") + QString(parts[i + 1]).replace(u';', u' ') + u')';
    return out.join(QStringLiteral(";;"));
}

QString QtCommonDialog::withDefaultExt(const QString& chosen) const
{
    if (chosen.isEmpty() || m_defaultExt.isEmpty() || !QFileInfo(chosen).suffix().isEmpty())
        return chosen;
    return chosen + u'.' + m_defaultExt;
}

QStringList QtCommonDialog::patterns() const
{
    const QStringList parts = m_filter.split(u'|');
    QStringList out;
    for (int i = 1; i < parts.size(); i += 2)
        out << parts[i].split(u';', Qt::SkipEmptyParts);
    return out;
}

void QtCommonDialog::prepare(QFileDialog& dlg) const
{
    new FitColumns(&dlg, patterns());
    takeFocusWhenShown(&dlg);
}

void QtCommonDialog::showSave()
{
    QFileDialog dlg(m_parent, m_title, m_fileName, qtFilter());
    prepare(dlg);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    // Overwrite is not asked: the file is appended to, never truncated.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    dlg.setDefaultSuffix(m_defaultExt);
    if (!m_fileName.isEmpty())
        dlg.selectFile(m_fileName);
    m_accepted = dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty();
    if (m_accepted)
        m_fileName = withDefaultExt(dlg.selectedFiles().first());
}

void QtCommonDialog::showOpen()
{
    QFileDialog dlg(m_parent, m_title, m_fileName, qtFilter());
    prepare(dlg);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setDefaultSuffix(m_defaultExt);
    m_accepted = dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty();
    if (m_accepted)
        m_fileName = dlg.selectedFiles().first();
}

bool QtCommonDialog::showPrinter()
{
    QPrintDialog dlg(&sharedPrinter(), m_parent);
    return dlg.exec() == QDialog::Accepted;
}
