#include "data_display.h"

#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

FrmDataDisplay::FrmDataDisplay(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("Data Display"));
    auto* lay = new QVBoxLayout(this);
    Command1 = new QPushButton(QStringLiteral("Hide"), this);
    Command2 = new QPushButton(QStringLiteral("Clear Display"), this);
    List1 = new QListView(this);
    m_model = new QStringListModel(this);
    List1->setModel(m_model);
    lay->addWidget(Command1);
    lay->addWidget(Command2);
    lay->addWidget(List1);
    connect(Command1, &QPushButton::clicked, this, &QWidget::hide);
    connect(Command2, &QPushButton::clicked, this, [this] { m_model->setStringList({}); });
}

void FrmDataDisplay::addLine(const QString& line)
{
    m_model->insertRows(0, 1);
    m_model->setData(m_model->index(0), line);
}

int FrmDataDisplay::lineCount() const { return m_model->rowCount(); }

QString FrmDataDisplay::line(int index) const { return m_model->index(index).data().toString(); }
