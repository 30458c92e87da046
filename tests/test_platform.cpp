#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QHeaderView>
#include <QMainWindow>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <csignal>
#include <ctime>
#include <limits>

#include "clock.h"
#include "common_dialog.h"
#include "fakes.h"
#include "gauge_model.h"
#include "graph_model.h"
#include "runtime_error.h"
#include "seq_files.h"
#include "texts.h"
#include "window_placement.h"
#include "window_slot.h"

namespace {

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Runs `f` and returns the description it raised, or a null text when it raised nothing.
template <class F> QString raised(F&& f)
{
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.description().isNull() ? QStringLiteral("") : e.description();
    }
    return QString();
}

// Switches the process to German, which writes numbers with a decimal comma. The locale is built
// into `dir` first, so the test does not depend on which locales the machine has generated.
QString useCommaLocale(const QString& dir)
{
    QProcess def;
    def.start(QStringLiteral("localedef"),
              {"-i", "de_DE", "-f", "UTF-8", QDir(dir).filePath(QStringLiteral("de_DE.UTF-8"))});
    if (!def.waitForFinished(60000) || def.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("localedef did not run: ") + def.errorString();
    // localedef warns (exit 1) about some locales' data and still writes them.
    if (def.exitCode() > 1)
        return QString::fromLocal8Bit(def.readAllStandardError());
    qputenv("LOCPATH", QFile::encodeName(dir));
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        return QStringLiteral("the built locale did not load");
    if (std::localeconv()->decimal_point[0] != ',')
        return QStringLiteral("the locale has no decimal comma");
    return QString();
}

// What the file dialog cuts: a Size, Type or Date cell that the list's own delegate needs more
// room for than its column has, or a column past the list's edge. Null until the list is read.
QString cutCells(QFileDialog* dlg, int rows)
{
    auto* view = dlg->findChild<QTreeView*>(QStringLiteral("treeView"));
    const QModelIndex root = view->rootIndex();
    if (view->model()->rowCount(root) < rows)
        return QString();
    QStringList cut;
    QStyleOptionViewItem opt;
    opt.initFrom(view);
    opt.widget = view;
    for (int row = 0; row < rows; ++row)
        for (int col = 1; col <= 3; ++col) {
            const QModelIndex cell = view->model()->index(row, col, root);
            if (col > 1 && cell.data().toString().isEmpty())
                return QString(); // still being read
            if (view->itemDelegateForIndex(cell)->sizeHint(opt, cell).width() >
                view->header()->sectionSize(col))
                cut << cell.data().toString();
        }
    QHeaderView* header = view->header();
    if (header->sectionViewportPosition(3) + header->sectionSize(3) > view->viewport()->width())
        cut << QStringLiteral("the columns reach past the list");
    return cut.isEmpty() ? QStringLiteral("") : cut.join(QStringLiteral("; "));
}

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

  private slots:
    // ---- the save and open dialogs ----

    // The list shows its Size, Type and Date columns whole as the dialog opens.
    void fileDialogShowsColumnsWhole()
    {
        QStandardPaths::setTestModeEnabled(true); // the dialog's remembered state stays out
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Bench logs")));
        for (const qint64 size : {qint64(0), qint64(1048575), qint64(999999999)}) {
            QFile file(dir.filePath(QStringLiteral("T%1.CSV").arg(size)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size)); // sparse
            QVERIFY(file.setFileTime(QDateTime(QDate(2026, 9, 28), QTime(23, 58, 58)),
                                     QFileDevice::FileModificationTime));
        }
        QtCommonDialog dialog;
        dialog.setFilter(QStringLiteral("CSV|*.CSV"));
        dialog.setFileName(dir.filePath(QStringLiteral("T0.CSV")));
        for (const bool save : {true, false}) {
            QString cut;
            QTimer poll; // the list reads the folder on a thread of its own: up to a minute
            int polls = 0;
            connect(&poll, &QTimer::timeout, this, [&] {
                if (auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                    cut = ++polls > 1200 ? QStringLiteral("never read") : cutCells(dlg, 4);
                    if (!cut.isNull())
                        dlg->reject();
                }
            });
            poll.start(50);
            save ? dialog.showSave() : dialog.showOpen();
            QVERIFY2(cut.isEmpty(), qPrintable(cut));
        }
    }

    // ---- texts ----

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("+12.34") << "+12.34" << 12.34;
        QTest::newRow("blank -5") << " -5" << -5.0;
        QTest::newRow("ERROR") << "ERROR" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("1.2.3") << "1.2.3" << 1.2;
        QTest::newRow("12abc") << "12abc" << 12.0;
        QTest::newRow("-.05") << "-.05" << -0.05;
        QTest::newRow("blanks around the sign") << "  +  3" << 3.0;
        QTest::newRow("blank between digits") << "1 2" << 12.0;
        QTest::newRow("tab first") << "\t7" << 7.0;
        QTest::newRow("leading zeros") << "  0012.3400" << 12.34;
        QTest::newRow("value then unit") << "12.50 Deg C" << 12.5;
        QTest::newRow("sign alone") << "+" << 0.0;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("minus point") << "-." << 0.0;
        QTest::newRow("two signs") << "+-3" << 0.0;
        QTest::newRow("over range mark") << "?123" << 0.0;
        QTest::newRow("mark inside") << "0?23" << 0.0;
        QTest::newRow("comma stops") << "1,5" << 1.0;
        QTest::newRow("no exponent") << "1e3" << 1.0;
        QTest::newRow("control characters") << "\x1b\x1b" << 0.0;
        QTest::newRow("code 2 first") << "\x02"
                                         "0001"
                                      << 0.0;
        QTest::newRow("8 digits") << "-23545.12" << -23545.12;
        QTest::newRow("trailing point") << "45." << 45.0;
        QTest::newRow("longer than any reading")
            << "-" + QString(70, u'1') + ".5x" << -QString(70, u'1').toDouble();
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(texts::leadingNumber(text), value);
    }

    // The short way for everyday readings must give the very same double as a full decimal
    // conversion, to the last bit: extremes are compared on it.
    void leadingNumberIsExactToTheBit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("minus zero") << "-0.000";
        QTest::newRow("15 digits") << "987654321098765";
        QTest::newRow("2^53 - 1") << "9007199254740991";
        QTest::newRow("2^53") << "9007199254740992";
        QTest::newRow("2^53 + 1") << "9007199254740993";
        QTest::newRow("20 digits") << "12345678901234567890";
        QTest::newRow("22 places") << "0.1234567890123456789012";
        QTest::newRow("23 places") << ".12345678901234567890123";
        QTest::newRow("0.1") << "0.1";
        QTest::newRow("8 digits, 3 places") << "-99999.999";
        QTest::newRow("leading zeros then many places") << "000000000000.00000000000000000000001";
        // A sweep of readings of up to 17 digits with the point anywhere, from a fixed seed.
        quint64 seed = 0x9e3779b97f4a7c15ULL;
        const auto next = [&seed] {
            seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
            return seed;
        };
        for (int k = 0; k < 400; ++k) {
            const int digits = 1 + int(next() % 17);
            QString t = next() % 2 ? QStringLiteral("-") : QString();
            const int at = int(next() % (digits + 1));
            for (int d = 0; d < digits; ++d) {
                if (d == at)
                    t += u'.';
                t += QChar(u'0' + int(next() % 10));
            }
            QTest::addRow("sweep %d: %s", k, qPrintable(t)) << t;
        }
    }
    void leadingNumberIsExactToTheBit()
    {
        QFETCH(QString, text);
        const QByteArray plain = text.toLatin1();
        const bool negative = plain.startsWith('-');
        double reference = 0.0;
        const char* from = plain.constData() + (negative ? 1 : 0);
        std::from_chars(from, plain.constData() + plain.size(), reference);
        if (negative)
            reference = -reference;
        const double read = texts::leadingNumber(text);
        QCOMPARE(std::bit_cast<quint64>(read), std::bit_cast<quint64>(reference));
    }

    void wholePart_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("whole");
        QTest::newRow("-15.75") << -15.75 << -16.0;
        QTest::newRow("15.75") << 15.75 << 15.0;
        QTest::newRow("-16") << -16.0 << -16.0;
        QTest::newRow("-0.5") << -0.5 << -1.0;
        QTest::newRow("0") << 0.0 << 0.0;
        QTest::newRow("99999.9") << 99999.9 << 99999.0;
    }
    void wholePart()
    {
        QFETCH(double, x);
        QFETCH(double, whole);
        QCOMPARE(texts::wholePart(x), whole);
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<qlonglong>("n");
        QTest::newRow("0.5") << 0.5 << 0LL;
        QTest::newRow("1.5") << 1.5 << 2LL;
        QTest::newRow("2.5") << 2.5 << 2LL;
        QTest::newRow("3.5") << 3.5 << 4LL;
        QTest::newRow("-0.5") << -0.5 << 0LL;
        QTest::newRow("-1.5") << -1.5 << -2LL;
        QTest::newRow("-2.5") << -2.5 << -2LL;
        QTest::newRow("2.49") << 2.49 << 2LL;
        QTest::newRow("2.51") << 2.51 << 3LL;
        QTest::newRow("100") << 100.0 << 100LL;
    }
    void roundHalfEven()
    {
        QFETCH(double, x);
        QFETCH(qlonglong, n);
        QCOMPARE(texts::roundHalfEven(x), n);
    }

    void numberText_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0.0 << " 0";
        QTest::newRow("-0") << -0.0 << " 0";
        QTest::newRow("12") << 12.0 << " 12";
        QTest::newRow("-3") << -3.0 << "-3";
        QTest::newRow("0.5") << 0.5 << " .5";
        QTest::newRow("-0.05") << -0.05 << "-.05";
        QTest::newRow("12.34") << 12.34 << " 12.34";
        QTest::newRow("-99999") << -99999.0 << "-99999";
        QTest::newRow("large count") << 1234567.0 << " 1234567";
    }
    void numberText()
    {
        QFETCH(double, x);
        QFETCH(QString, text);
        QCOMPARE(texts::numberText(x), text);
        QCOMPARE(texts::printNumberText(x), text + u' ');
    }

    void shortestNumber_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<QString>("text");
        QTest::newRow("23545.12") << 23545.12 << "23545.12";
        QTest::newRow(".05") << 0.05 << ".05";
        QTest::newRow("-.05") << -0.05 << "-.05";
        QTest::newRow("100") << 100.0 << "100";
        QTest::newRow("0") << 0.0 << "0";
        QTest::newRow("-1") << -1.0 << "-1";
        QTest::newRow("0.1+0.2") << (0.1 + 0.2) << ".3";
        QTest::newRow("1e20") << 1e20 << "100000000000000000000";
        QTest::newRow("1e-7") << 1e-7 << ".0000001";
        QTest::newRow("-1234.5") << -1234.5 << "-1234.5";
        QTest::newRow("8 digits") << 12345678.0 << "12345678";
    }
    void shortestNumber()
    {
        QFETCH(double, x);
        QFETCH(QString, text);
        QCOMPARE(texts::shortestNumber(x), text);
    }

    void numbersIgnoreTheSystemLocale()
    {
        const QByteArray saved = std::setlocale(LC_ALL, nullptr);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString failed = useCommaLocale(dir.path());
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        const double read = texts::leadingNumber(QStringLiteral("+12.34"));
        const QString shown = texts::shortestNumber(-0.05);
        const QString big = texts::shortestNumber(1e20 + 0.5);
        std::setlocale(LC_ALL, saved.constData());
        QCOMPARE(read, 12.34);
        QCOMPARE(shown, QStringLiteral("-.05"));
        QVERIFY(!big.contains(u','));
    }

    void timeAndDateTexts_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("dateText");
        QTest::addColumn<QString>("timeText");
        QTest::newRow("afternoon") << QDate(2026, 5, 31) << QTime(14, 3, 9) << "05-31-2026"
                                   << "14:03:09";
        QTest::newRow("midnight") << QDate(2026, 1, 1) << QTime(0, 0, 0) << "01-01-2026"
                                  << "00:00:00";
        QTest::newRow("last second") << QDate(2026, 12, 7) << QTime(23, 59, 59) << "12-07-2026"
                                     << "23:59:59";
        QTest::newRow("morning") << QDate(1999, 9, 9) << QTime(9, 5, 7) << "09-09-1999"
                                 << "09:05:07";
    }
    void timeAndDateTexts()
    {
        QFETCH(QDate, date);
        QFETCH(QTime, time);
        QFETCH(QString, dateText);
        QFETCH(QString, timeText);
        QCOMPARE(texts::dateText(date), dateText);
        QCOMPARE(texts::timeText(time), timeText);
        QCOMPARE(texts::stampText(date, time), dateText + u'-' + timeText);
    }

    void timeTextDropsMilliseconds()
    {
        QCOMPARE(texts::timeText(QTime(14, 3, 9, 999)), QStringLiteral("14:03:09"));
        QCOMPARE(texts::stampText(QDate(2026, 5, 31), QTime(14, 3, 9)),
                 QStringLiteral("05-31-2026-14:03:09"));
    }

    // ---- sequential files ----

    void printLineWritesCrLf()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.csv"));
        SeqFiles files;
        files.open(1, path, SeqFiles::Mode::Output);
        files.printLine(1, QStringLiteral("1,+12.3,Deg C"));
        files.printLine(1, QString());
        files.printLine(1, QStringLiteral("25\u00b0"));
        // Written at once: another program sees each row while the file stays open.
        QCOMPARE(readAll(path), QByteArray("1,+12.3,Deg C\r\n\r\n25\xb0\r\n"));
        files.close(1);
        QVERIFY(!files.isOpen(1));
        QCOMPARE(readAll(path), QByteArray("1,+12.3,Deg C\r\n\r\n25\xb0\r\n"));
    }

    void appendKeepsOutputTruncates()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("b.csv"));
        writeAll(path, "High,1\r\nLo,0\r\n");
        SeqFiles files;
        files.open(1, path, SeqFiles::Mode::Append);
        files.printLine(1, QStringLiteral("next"));
        files.close(1);
        QCOMPARE(readAll(path), QByteArray("High,1\r\nLo,0\r\nnext\r\n"));
        files.open(3, path, SeqFiles::Mode::Output);
        files.printLine(3, QStringLiteral("fresh"));
        files.closeAll();
        QCOMPARE(readAll(path), QByteArray("fresh\r\n"));
    }

    void appendCreatesAMissingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("NEW.CSV"));
        SeqFiles files;
        files.open(1, path, SeqFiles::Mode::Append);
        QVERIFY(QFile::exists(path));
        QCOMPARE(files.path(1), path);
    }

    void lineInput_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("one\r\ntwo\r\n") << QStringList{"one", "two"};
        QTest::newRow("CR") << QByteArray("one\rtwo\r") << QStringList{"one", "two"};
        QTest::newRow("LF") << QByteArray("one\ntwo\n") << QStringList{"one", "two"};
        QTest::newRow("mixed, last unterminated")
            << QByteArray("a\r\nb\rc\nd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("empty lines")
            << QByteArray("a\n\nb\r\n\r\n") << QStringList{"a", "", "b", ""};
        QTest::newRow("LF CR is two ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("one CR LF") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("Latin-1 byte")
            << QByteArray("25\xb0,C\r\n") << QStringList{QStringLiteral("25\u00b0,C")};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
    }
    void lineInput()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("in.csv"));
        writeAll(path, bytes);
        SeqFiles files;
        files.open(3, path, SeqFiles::Mode::Input);
        QStringList got;
        while (!files.eof(3) && got.size() <= lines.size())
            got << files.lineInput(3);
        QCOMPARE(got, lines);
        QVERIFY(!raised([&] { files.lineInput(3); }).isNull());
        QVERIFY(!raised([&] { files.lineInput(3); }).isNull());
    }

    void fileAlreadyOpen()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("c.csv"));
        const QString link = dir.filePath(QStringLiteral("link.csv"));
        writeAll(path, "x\r\n");
        QVERIFY(QFile::link(path, link));
        const QString dotted = dir.path() + QStringLiteral("/./c.csv");
        SeqFiles files;
        files.open(1, path, SeqFiles::Mode::Append);
        const QString already = QStringLiteral("File already open");
        QCOMPARE(raised([&] { files.open(3, path, SeqFiles::Mode::Input); }), already);
        QCOMPARE(raised([&] { files.open(3, link, SeqFiles::Mode::Input); }), already);
        QCOMPARE(raised([&] { files.open(3, dotted, SeqFiles::Mode::Input); }), already);
        QCOMPARE(raised([&] {
                     files.open(1, dir.filePath(QStringLiteral("other.csv")),
                                SeqFiles::Mode::Output);
                 }),
                 already);
        QVERIFY(!files.isOpen(3));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("other.csv"))));
        // The refused openings left file 1 as it was.
        files.printLine(1, QStringLiteral("y"));
        files.close(1);
        QCOMPARE(readAll(path), QByteArray("x\r\ny\r\n"));
        files.open(3, link, SeqFiles::Mode::Input);
        QCOMPARE(files.lineInput(3), QStringLiteral("x"));
    }

    void linkOpenedFirstBlocksTheTarget()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("d.csv"));
        const QString link = dir.filePath(QStringLiteral("d-link.csv"));
        writeAll(path, "x\r\n");
        QVERIFY(QFile::link(path, link));
        SeqFiles files;
        files.open(3, link, SeqFiles::Mode::Input);
        QCOMPARE(raised([&] { files.open(1, path, SeqFiles::Mode::Append); }),
                 QStringLiteral("File already open"));
    }

    void openingFailures()
    {
        QTemporaryDir dir;
        SeqFiles files;
        const QString missing = dir.filePath(QStringLiteral("missing.csv"));
        const QString inMissingFolder = dir.filePath(QStringLiteral("no/such/folder/x.csv"));
        QVERIFY(!raised([&] { files.open(3, missing, SeqFiles::Mode::Input); }).isEmpty());
        QVERIFY(!QFile::exists(missing));
        QVERIFY(!raised([&] { files.open(1, inMissingFolder, SeqFiles::Mode::Append); }).isEmpty());
        QVERIFY(!files.isOpen(1));
        QVERIFY(!files.isOpen(3));
        // A failed opening does not hold its number.
        files.open(1, dir.filePath(QStringLiteral("ok.csv")), SeqFiles::Mode::Append);
        QVERIFY(files.isOpen(1));
    }

    void wrongUseRaises()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("e.csv"));
        writeAll(path, "line\r\n");
        SeqFiles files;
        QVERIFY(!raised([&] { files.printLine(1, QStringLiteral("x")); }).isEmpty());
        QVERIFY(!raised([&] { files.lineInput(3); }).isEmpty());
        files.open(3, path, SeqFiles::Mode::Input);
        QVERIFY(!raised([&] { files.printLine(3, QStringLiteral("x")); }).isEmpty());
        QCOMPARE(readAll(path), QByteArray("line\r\n"));
        files.closeAll();
        QVERIFY(!files.isOpen(3));
        files.close(3); // closing a closed number is harmless
    }

    // A file that took the path meanwhile is someone else's: the move is refused and leaves
    // both files as they were.
    void moveNeverGoesOverAFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("R.CSV"));
        const QString taken = dir.filePath(QStringLiteral("TAKEN.CSV"));
        writeAll(taken, "someone's\r\n");
        SeqFiles files;
        files.open(1, path, SeqFiles::Mode::Append);
        files.printLine(1, QStringLiteral("row 1"));
        const QString failure = raised([&] { files.moveTo(1, taken); });
        QCOMPARE(readAll(taken), QByteArray("someone's\r\n"));
        QVERIFY(!failure.isNull());
        QCOMPARE(files.path(1), path);
    }

    // A disk that takes only part of a line: the part is cut off again, so the next line starts
    // where the last whole one ended. A file size limit stops the write part-way.
    void failedWriteLeavesNoPartOfTheLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("FULL.CSV"));
        SeqFiles files;
        files.open(1, path, SeqFiles::Mode::Append);
        files.printLine(1, QStringLiteral("row 1"));
        QString failure;
        {
            const FileSizeLimit full(10); // "row 2" stops after three bytes
            failure = raised([&] { files.printLine(1, QStringLiteral("row 2")); });
        }
        QVERIFY(!failure.isNull());
        QCOMPARE(readAll(path), QByteArray("row 1\r\n"));
        files.printLine(1, QStringLiteral("row 3"));
        QCOMPARE(readAll(path), QByteArray("row 1\r\nrow 3\r\n"));
    }

    // ---- graph component ----

    void graphRanges_data()
    {
        QTest::addColumn<bool>("isSet");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("ok");
        QTest::newRow("set 0") << true << 0 << false;
        QTest::newRow("set 1") << true << 1 << true;
        QTest::newRow("set 2") << true << 2 << true;
        QTest::newRow("set 3") << true << 3 << false;
        QTest::newRow("set -1") << true << -1 << false;
        QTest::newRow("point 0") << false << 0 << false;
        QTest::newRow("point 1") << false << 1 << true;
        QTest::newRow("point 99") << false << 99 << true;
        QTest::newRow("point 100") << false << 100 << true;
        QTest::newRow("point 101") << false << 101 << false;
    }
    void graphRanges()
    {
        QFETCH(bool, isSet);
        QFETCH(int, n);
        QFETCH(bool, ok);
        GraphModel g;
        g.setThisSet(2);
        g.setThisPoint(50);
        const QString err = raised([&] { isSet ? g.setThisSet(n) : g.setThisPoint(n); });
        QCOMPARE(err.isNull(), ok);
        QCOMPARE(isSet ? g.thisSet() : g.thisPoint(), ok ? n : (isSet ? 2 : 50));
    }

    void graphAddressesCurrentSetAndPoint()
    {
        GraphModel g;
        g.setThisSet(1);
        g.setThisPoint(5);
        g.setGraphData(1.0);
        g.setThisSet(2);
        g.setGraphData(2.0);
        g.setThisPoint(100);
        g.setGraphData(3.0);
        QCOMPARE(g.value(1, 5), 1.0f);
        QCOMPARE(g.value(2, 5), 2.0f);
        QCOMPARE(g.value(2, 100), 3.0f);
        QVERIFY(std::isnan(g.value(1, 100))); // never written: empty
        g.setThisSet(1);
        g.setThisPoint(5);
        QCOMPARE(g.graphData(), 1.0f);
    }

    void graphSinglePrecision()
    {
        GraphModel g;
        g.setGraphData(0.1);
        QCOMPARE(double(g.graphData()), double(0.1f));
        QVERIFY(double(g.graphData()) != 0.1);
        g.setGraphData(16777217.0);
        QCOMPARE(double(g.graphData()), 16777216.0);
        g.setYAxisMax(0.1);
        QCOMPARE(double(g.yAxisMax()), double(0.1f));
    }

    void graphColours()
    {
        GraphModel g;
        g.setThisSet(1);
        g.setColorData(9);
        g.setThisSet(2);
        g.setColorData(12);
        QCOMPARE(g.colorData(1), 9);
        QCOMPARE(g.colorData(2), 12);
        QVERIFY(!raised([&] { g.setColorData(16); }).isNull());
        QVERIFY(!raised([&] { g.setColorData(-1); }).isNull());
        QCOMPARE(g.colorData(2), 12);
        QCOMPARE(GraphModel::paletteColour(9), QColor(0, 0, 255));
        QCOMPARE(GraphModel::paletteColour(12), QColor(255, 0, 0));
        QCOMPARE(GraphModel::paletteColour(0), QColor(0, 0, 0));
        QCOMPARE(GraphModel::paletteColour(7), QColor(192, 192, 192));
        QCOMPARE(GraphModel::paletteColour(8), QColor(128, 128, 128));
    }

    void graphDataReset()
    {
        GraphModel g;
        for (int s = 1; s <= 2; ++s) {
            g.setThisSet(s);
            for (int p = 1; p <= 100; ++p) {
                g.setThisPoint(p);
                g.setGraphData(s * 1000 + p);
            }
        }
        g.dataReset();
        for (int s = 1; s <= 2; ++s)
            for (int p = 1; p <= 100; ++p)
                QVERIFY(std::isnan(g.value(s, p)));
    }

    void graphDrawModes()
    {
        GraphModel g;
        QSignalSpy redraw(&g, &GraphModel::redrawRequested);
        QSignalSpy print(&g, &GraphModel::printRequested);
        g.setDrawMode(3);
        QCOMPARE(redraw.size(), 1);
        QCOMPARE(print.size(), 0);
        g.setDrawMode(5);
        QCOMPARE(print.size(), 1);
        g.setDrawMode(0);
        g.setDrawMode(2);
        QCOMPARE(redraw.size(), 1);
        QCOMPARE(print.size(), 1);
    }

    // ---- gauge component ----

    void gaugeLimits_data()
    {
        QTest::addColumn<int>("which"); // 0 lower, 1 upper, 2 needle
        QTest::addColumn<double>("v");
        QTest::addColumn<bool>("ok");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        for (int w = 0; w < 3; ++w) {
            QTest::addRow("%d: 32767", w) << w << 32767.0 << true;
            QTest::addRow("%d: 32767.4", w) << w << 32767.4 << true;
            QTest::addRow("%d: 32767.5", w) << w << 32767.5 << false;
            QTest::addRow("%d: 32768", w) << w << 32768.0 << false;
            QTest::addRow("%d: -32768", w) << w << -32768.0 << true;
            QTest::addRow("%d: -32768.5", w) << w << -32768.5 << true;
            QTest::addRow("%d: -32769", w) << w << -32769.0 << false;
            QTest::addRow("%d: 1e9", w) << w << 1e9 << false;
            QTest::addRow("%d: NaN", w) << w << nan << false;
            QTest::addRow("%d: inf", w) << w << inf << false;
            QTest::addRow("%d: -inf", w) << w << -inf << false;
        }
    }
    void gaugeLimits()
    {
        QFETCH(int, which);
        QFETCH(double, v);
        QFETCH(bool, ok);
        GaugeModel g(-10, 10);
        g.setValue(3.25);
        QSignalSpy changed(&g, &GaugeModel::changed);
        const QString err = raised([&] {
            if (which == 0)
                g.setMinValue(v);
            else if (which == 1)
                g.setMaxValue(v);
            else
                g.setValue(v);
        });
        QCOMPARE(err.isNull(), ok);
        QCOMPARE(changed.size(), ok ? 1 : 0);
        if (!ok) {
            QCOMPARE(g.minValue(), short(-10));
            QCOMPARE(g.maxValue(), short(10));
            QCOMPARE(g.value(), 3.25);
        }
    }

    void gaugeLimitsAreWhole()
    {
        GaugeModel g;
        g.setMinValue(12.5);
        QCOMPARE(g.minValue(), short(12));
        g.setMinValue(13.5);
        QCOMPARE(g.minValue(), short(14));
        g.setMaxValue(-0.6);
        QCOMPARE(g.maxValue(), short(-1));
        g.setValue(12.75);
        QCOMPARE(g.value(), 12.75);
    }

    // ---- single-instance windows ----

    void windowSlot()
    {
        WindowSlot<QWidget> slot;
        QVERIFY(!slot.loaded());
        QWidget* w = slot.get();
        QVERIFY(slot.loaded());
        QVERIFY(!w->isVisible()); // created hidden
        QCOMPARE(slot.get(), w);
        w->show();
        QVERIFY(slot.visible());
        w->close(); // the close box discards it
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!slot.loaded());
        QWidget* again = slot.get();
        QVERIFY(again);
        QVERIFY(!again->isVisible());
        slot.unload();
        QVERIFY(!slot.loaded());
        QVERIFY(!slot.visible());
    }

    void systemClockFollowsTheZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("UTC") << QByteArray("UTC0");
        QTest::newRow("five hours behind, with summer time")
            << QByteArray("EST5EDT,M3.2.0,M11.1.0");
        QTest::newRow("twelve ahead, summer time across new year")
            << QByteArray("NZST-12NZDT,M9.5.0,M4.1.0/3");
        QTest::newRow("half hour") << QByteArray("IST-5:30");
    }
    void systemClockFollowsTheZone()
    {
        QFETCH(QByteArray, zone);
        const QByteArray saved = qgetenv("TZ");
        qputenv("TZ", zone);
        tzset();
        const SystemClock clock;
        const QDateTime before = QDateTime::currentDateTime();
        const QDateTime read(clock.date(), clock.time());
        const QDateTime after = QDateTime::currentDateTime();
        qputenv("TZ", saved);
        tzset();
        // Whole seconds, read between the two: the clock's reading lies between them.
        QVERIFY2(before.addMSecs(-before.time().msec()) <= read && read <= after,
                 qPrintable(read.toString(Qt::ISODateWithMs)));
    }

    // ---- window placement ----

    void besideMain_data()
    {
        QTest::addColumn<QRect>("main");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<int>("index");
        QTest::addColumn<QPoint>("at");
        const QRect screen(0, 0, 1920, 1080);
        const QRect main(48, 48, 250, 100);
        QTest::newRow("first, on the right")
            << main << screen << QSize(400, 300) << 0 << QPoint(306, 48);
        QTest::newRow("third, cascaded")
            << main << screen << QSize(400, 300) << 2 << QPoint(362, 104);
        QTest::newRow("no room on the right: below")
            << QRect(1700, 48, 250, 100) << screen << QSize(400, 300) << 0 << QPoint(1520, 156);
        QTest::newRow("too tall: kept on the screen")
            << main << screen << QSize(400, 1200) << 0 << QPoint(306, -120);
        QTest::newRow("second screen") << QRect(2000, 10, 250, 100) << QRect(1920, 0, 1280, 1024)
                                       << QSize(400, 300) << 1 << QPoint(2286, 38);
    }
    void besideMain()
    {
        QFETCH(QRect, main);
        QFETCH(QRect, screen);
        QFETCH(QSize, frame);
        QFETCH(int, index);
        QFETCH(QPoint, at);
        const QRect r = WindowPlacement::besideMain(main, screen, frame, index);
        QCOMPARE(r.size(), frame);
        if (frame.height() <= screen.height()) {
            QCOMPARE(r.topLeft(), at);
            QVERIFY(!r.intersects(main));
            QVERIFY(screen.contains(r));
        } else {
            QCOMPARE(r.top(), screen.top()); // the title bar stays within reach
        }
    }

    void reachable_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("on the screen") << QRect(100, 100, 400, 300) << true;
        QTest::newRow("on the second screen") << QRect(2000, 100, 400, 300) << true;
        QTest::newRow("where a third screen was") << QRect(3400, 100, 400, 300) << false;
        QTest::newRow("title above the top") << QRect(100, -40, 400, 300) << false;
        QTest::newRow("a sliver on the left edge") << QRect(-380, 100, 400, 300) << false;
        QTest::newRow("half off the right edge") << QRect(3000, 100, 400, 300) << true;
    }
    void reachable()
    {
        QFETCH(QRect, frame);
        QFETCH(bool, reachable);
        const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
        QCOMPARE(WindowPlacement::reachable(frame, screens), reachable);
    }

    void placementRemembersAndFallsBack()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString ini = dir.filePath(QStringLiteral("placement.ini"));
        auto settings = [&] { return std::make_unique<QSettings>(ini, QSettings::IniFormat); };
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        {
            WindowPlacement placement(settings());
            QMainWindow main;
            main.resize(200, 80);
            placement.setMainWindow(&main);
            main.show();
            QFrame other(nullptr, Qt::Window);
            other.resize(150, 100);
            other.show();
            QVERIFY(other.pos().x() > main.pos().x() + main.width());
            other.move(screen.topLeft() + QPoint(30, 200));
            other.hide();
            main.close();
        }
        {
            WindowPlacement placement(settings());
            QMainWindow main;
            placement.setMainWindow(&main);
            main.show();
            QFrame other(nullptr, Qt::Window);
            other.show();
            QCOMPARE(other.pos(), screen.topLeft() + QPoint(30, 200));
            QCOMPARE(other.size(), QSize(150, 100));
            // Later showings leave the window where the user has it.
            other.hide();
            other.move(screen.topLeft() + QPoint(40, 210));
            other.show();
            QCOMPARE(other.pos(), screen.topLeft() + QPoint(40, 210));
        }
        {
            auto s = settings();
            s->setValue(QStringLiteral("windows/QFrame"), QRect(-30000, -30000, 150, 100));
            s->sync();
        }
        WindowPlacement placement(settings());
        QMainWindow main;
        main.resize(200, 80);
        placement.setMainWindow(&main);
        main.show();
        QFrame other(nullptr, Qt::Window);
        other.show();
        const QRect placed(other.pos(), other.size());
        QVERIFY(screen.contains(placed));
        QVERIFY(!placed.intersects(QRect(main.pos(), main.size())));
    }

    // ---- written files: the lock ----

    // A second open for writing (another copy of the program) is refused and empties nothing;
    // reading stays open to everyone.
    void writtenFileIsLocked_data()
    {
        QTest::addColumn<int>("holder"); // SeqFiles::Mode
        QTest::addColumn<int>("second");
        QTest::newRow("append, then output")
            << int(SeqFiles::Mode::Append) << int(SeqFiles::Mode::Output);
        QTest::newRow("append, then append")
            << int(SeqFiles::Mode::Append) << int(SeqFiles::Mode::Append);
        QTest::newRow("output, then output")
            << int(SeqFiles::Mode::Output) << int(SeqFiles::Mode::Output);
    }
    void writtenFileIsLocked()
    {
        QFETCH(int, holder);
        QFETCH(int, second);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("L.CSV"));
        SeqFiles mine, other;
        mine.open(1, path, SeqFiles::Mode(holder));
        mine.printLine(1, QStringLiteral("row 1"));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, other.open(1, path, SeqFiles::Mode(second)));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, SeqFiles::checkNotWrittenElsewhere(path));
        QVERIFY(!other.isOpen(1));
        other.open(3, path, SeqFiles::Mode::Input);
        QCOMPARE(other.readRest(3), QByteArray("row 1\r\n"));
        mine.close(1);
        SeqFiles::checkNotWrittenElsewhere(path);
        other.close(3);
        other.open(1, path, SeqFiles::Mode(second)); // free once closed
    }
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
