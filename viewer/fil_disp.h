#pragma once

#include <QAbstractScrollArea>
#include <QWidget>
#include <optional>

#include "file_listing.h"

class QPushButton;

// The viewer's list box: rows of a FileListing, in a fixed-pitch font. Only the rows in sight
// are ever made or drawn, so a million lines cost what ten do.
class FileListBox : public QAbstractScrollArea
{
    Q_OBJECT
  public:
    explicit FileListBox(QWidget* parent = nullptr);

    void clear();
    void setListing(FileListing listing);
    int count() const;
    QString row(int row) const; // row 0 is the top
    int topRow() const;
    int selectedRow() const { return m_selected; } // -1 when none

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    int rowHeight() const;
    int rowsInView() const;
    void updateScrollRange();

    std::optional<FileListing> m_listing;
    int m_selected = -1;
};

// "Data Display": a chosen file's lines, last line first, numbered, over the fixed heading.
class FrmFilDisp : public QWidget
{
    Q_OBJECT
  public:
    explicit FrmFilDisp(QWidget* parent = nullptr);

    QPushButton* Command1; // "Hide"
    FileListBox* List1;
    QPushButton* Command2; // "Plot": the file listed, as a plot

    void Command1_Click();

    // The file whose lines are listed; empty while none is (the button is then disabled).
    void setListedFile(const QString& path);
    const QString& listedFile() const { return m_listedFile; }

  signals:
    void plotClicked(const QString& path);

  public:
    // Made to fit the screen it is on, frame and all: never bigger, never past its edges.

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QString m_listedFile;
};
