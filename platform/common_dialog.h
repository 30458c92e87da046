#pragma once

#include <QString>

class QFileDialog;
class QWidget;

// The save, open and printer dialogs. Cancel never raises: the proposed name stays.
class CommonDialog
{
public:
    virtual ~CommonDialog() = default;

    void setFlags(int flags) { m_flags = flags; }
    int flags() const { return m_flags; }
    void setFilter(const QString& filter) { m_filter = filter; } // "CSV|*.CSV"
    const QString& filter() const { return m_filter; }
    void setDefaultExt(const QString& ext) { m_defaultExt = ext; }
    const QString& defaultExt() const { return m_defaultExt; }
    void setFileName(const QString& name) { m_fileName = name; }
    const QString& fileName() const { return m_fileName; }
    void setDialogTitle(const QString& title) { m_title = title; }
    const QString& dialogTitle() const { return m_title; }

    virtual void showSave() = 0;
    virtual void showOpen() = 0;
    // Whether the last save or open dialog was closed with its OK button (a cancelled one leaves
    // the proposed name, which a new file must not be written under).
    bool accepted() const { return m_accepted; }
    // True when the user chose a printer (the choice applies to the following print).
    virtual bool showPrinter() = 0;

protected:
    int m_flags = 0;
    QString m_filter;
    QString m_defaultExt;
    QString m_fileName;
    QString m_title;
    bool m_accepted = false;
};

class QtCommonDialog : public CommonDialog
{
public:
    explicit QtCommonDialog(QWidget* parent = nullptr) : m_parent(parent) {}
    void showSave() override;
    void showOpen() override;
    bool showPrinter() override;

private:
    QString qtFilter() const;
    QStringList patterns() const;
    void prepare(QFileDialog& dlg) const;
    QString withDefaultExt(const QString& chosen) const;
    QWidget* m_parent;
};
