#include "common_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QStringList>

#include "printer.h"

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

void QtCommonDialog::showSave()
{
    QFileDialog dlg(m_parent, m_title, m_fileName, qtFilter());
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
