#pragma once

#include <QWidget>

class QPushButton;
class QListView;
class QStringListModel;

// "Data Display": raw lines, newest first.
class FrmDataDisplay : public QWidget
{
    Q_OBJECT
public:
    explicit FrmDataDisplay(QWidget* parent = nullptr);

    QPushButton* Command1; // "Hide"
    QPushButton* Command2; // "Clear Display"
    QListView* List1;

    void addLine(const QString& line); // at the top
    int lineCount() const;
    QString line(int index) const; // 0 is the top line

private:
    QStringListModel* m_model;
};
