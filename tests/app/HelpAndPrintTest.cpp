// The two commands that leave the ledger window open: the help viewer beside
// it, and the printed image of its client area.
#include "Form6.h"
#include "LedgerRecordset.h"
#include "TestLedger.h"
#include "Twips.h"
#include "WindowRegistry.h"
#include "WindowTestSupport.h"
#include "frmLedger.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

using namespace tallowick;
using namespace tallowick::test;

namespace {

void writeFile(const QString& folder, const QString& name, const QString& html)
{
    QFile file(QDir(folder).filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(html.toUtf8());
}

const QString kHelpPage = QStringLiteral(
    "<html><body><h2>Marker one</h2>"
    "<p><a href=\"http://example.com/elsewhere.htm\">web page</a></p>"
    "<p><a href=\"second.htm\">second page</a></p>"
    "</body></html>");

// A click on the middle of the visible text `label`, as a user clicks a link.
void clickText(QTextBrowser* browser, const QString& label)
{
    const QTextCursor found = browser->document()->find(label);
    QVERIFY2(!found.isNull(), qPrintable(label));
    QTextCursor middle(browser->document());
    middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    const QPoint point = browser->cursorRect(middle).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
}

// Page objects of a PDF ("/Type /Page", not the "/Type /Pages" tree).
int pdfPageCount(const QByteArray& pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    int count = 0;
    for (auto match = page.globalMatch(QString::fromLatin1(pdf)); match.hasNext(); match.next())
        ++count;
    return count;
}

} // namespace

class HelpAndPrintTest : public QObject {
    Q_OBJECT

private:
    frmLedger* openLedger(int rows)
    {
        auto* window = WindowRegistry::instance().Show<frmLedger>(QStringLiteral("frmLedger"));
        if (!window || !QTest::qWaitForWindowExposed(window))
            return nullptr;
        if (!QTest::qWaitFor([&] { return window->datPrimaryRS->AbsolutePosition() == rows; }, 5000))
            return nullptr;
        return window;
    }

    static void appendRows(TestLedger& ledger, int count)
    {
        std::vector<LedgerRow> rows{makeRow("0", "0", "0", "1000", "Initial Balance")};
        for (int k = 1; k < count; ++k)
            rows.push_back(makeRow("10", "0", "0", std::to_string(1000 - 10 * k).c_str(), "Check", 100 + k));
        ledger.append(rows);
    }

    static Form6* viewer()
    {
        return qobject_cast<Form6*>(WindowRegistry::instance().window(QStringLiteral("Form6")));
    }

private slots:
    void initTestCase() { registerWindowsOnce(); }
    void cleanup()
    {
        closeAllWindows();
        QTRY_VERIFY(noWindowsLeft());
    }

    void helpOpensOnceBesideLedgerWindow()
    {
        TestLedger ledger;
        appendRows(ledger, 3);
        writeFile(ledger.folder(), QStringLiteral("help.htm"), kHelpPage);
        auto* window = openLedger(3);
        QVERIFY(window);
        auto& registry = WindowRegistry::instance();
        QSignalSpy ended(&registry, &WindowRegistry::programEnded);

        QTest::mouseClick(window->Command4, Qt::LeftButton);
        QPointer<Form6> help = viewer();
        QVERIFY(help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QCOMPARE(help->windowTitle(), QStringLiteral("Help"));
        QCOMPARE(help->size(), twipsSize(6045, 3660));
        QCOMPARE(help->Command1->text(), QStringLiteral("OK"));
        QCOMPARE(help->WebBrowser1->source(),
                 QUrl::fromLocalFile(QDir(ledger.folder()).filePath(QStringLiteral("help.htm"))));
        QVERIFY(help->WebBrowser1->toPlainText().contains(QStringLiteral("Marker one")));
        QVERIFY(window->isVisible());
        QVERIFY(registry.isLoaded(QStringLiteral("frmLedger")));
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 3);

        // A second press shows the same viewer without reading the page again.
        writeFile(ledger.folder(), QStringLiteral("help.htm"),
                  QStringLiteral("<html><body><h2>Marker two</h2></body></html>"));
        QTest::mouseClick(window->Command4, Qt::LeftButton);
        QCOMPARE(viewer(), help.data());
        int viewers = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            viewers += qobject_cast<Form6*>(top) != nullptr;
        QCOMPARE(viewers, 1);
        QVERIFY(help->WebBrowser1->toPlainText().contains(QStringLiteral("Marker one")));

        // The ledger window stays usable meanwhile.
        QTest::mouseClick(window->cmdRefresh, Qt::LeftButton);
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 1);

        // "OK" closes the viewer only.
        QTest::mouseClick(help->Command1, Qt::LeftButton);
        QVERIFY(!registry.isLoaded(QStringLiteral("Form6")));
        QTRY_VERIFY(!help);
        QVERIFY(registry.isLoaded(QStringLiteral("frmLedger")));
        QVERIFY(window->isVisible());
        QCOMPARE(ended.count(), 0);

        // Opened again, it is a fresh viewer that reads the page as it is now.
        QTest::mouseClick(window->Command4, Qt::LeftButton);
        QVERIFY(viewer());
        QVERIFY(viewer()->WebBrowser1->toPlainText().contains(QStringLiteral("Marker two")));
    }

    void okAfterLedgerWindowClosedEndsProgram()
    {
        TestLedger ledger;
        appendRows(ledger, 2);
        writeFile(ledger.folder(), QStringLiteral("help.htm"), kHelpPage);
        auto* window = openLedger(2);
        QVERIFY(window);
        auto& registry = WindowRegistry::instance();
        QSignalSpy ended(&registry, &WindowRegistry::programEnded);
        QTest::mouseClick(window->Command4, Qt::LeftButton);
        Form6* help = viewer();
        QVERIFY(help);

        QTest::mouseClick(window->cmdClose, Qt::LeftButton);
        QVERIFY(!registry.isLoaded(QStringLiteral("frmLedger")));
        QVERIFY(registry.isLoaded(QStringLiteral("Form6")));
        QCOMPARE(ended.count(), 0);

        QTest::mouseClick(help->Command1, Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(registry.loadedCount(), 0);
        QTRY_VERIFY(noWindowsLeft());
    }

    void missingHelpPageIsShownAsUnreachable()
    {
        TestLedger ledger;
        appendRows(ledger, 2);
        auto* window = openLedger(2);
        QVERIFY(window);
        QVERIFY(!QFile::exists(QDir(ledger.folder()).filePath(QStringLiteral("help.htm"))));
        QTest::mouseClick(window->Command4, Qt::LeftButton);
        Form6* help = viewer();
        QVERIFY(help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QVERIFY2(help->WebBrowser1->toPlainText().contains(QStringLiteral("cannot be displayed")),
                 qPrintable(help->WebBrowser1->toPlainText()));
        QTest::mouseClick(help->Command1, Qt::LeftButton);
        QVERIFY(!WindowRegistry::instance().isLoaded(QStringLiteral("Form6")));
        QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("frmLedger")));
    }

    void onlyLocalLinksAreFollowed()
    {
        TestLedger ledger;
        appendRows(ledger, 2);
        QString longPage = kHelpPage;
        longPage.replace(QStringLiteral("</body>"),
                         QStringLiteral("<p><a href=\"#end\">to the end</a></p>") +
                             QStringLiteral("<p>filler</p>").repeated(80) +
                             QStringLiteral("<h3><a name=\"end\"></a>End marker</h3></body>"));
        writeFile(ledger.folder(), QStringLiteral("help.htm"), longPage);
        writeFile(ledger.folder(), QStringLiteral("second.htm"),
                  QStringLiteral("<html><body><h2>Second marker</h2></body></html>"));
        auto* window = openLedger(2);
        QVERIFY(window);
        QTest::mouseClick(window->Command4, Qt::LeftButton);
        Form6* help = viewer();
        QVERIFY(help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        const QUrl page = QUrl::fromLocalFile(QDir(ledger.folder()).filePath(QStringLiteral("help.htm")));

        clickText(help->WebBrowser1, QStringLiteral("web page"));
        QTest::qWait(50);
        QCOMPARE(help->WebBrowser1->source(), page);
        QVERIFY2(help->WebBrowser1->toPlainText().contains(QStringLiteral("Marker one")),
                 qPrintable(help->WebBrowser1->toPlainText()));

        // The page's own anchors scroll within it.
        QCOMPARE(help->WebBrowser1->verticalScrollBar()->value(), 0);
        clickText(help->WebBrowser1, QStringLiteral("to the end"));
        QTRY_VERIFY(help->WebBrowser1->verticalScrollBar()->value() > 0);
        QCOMPARE(help->WebBrowser1->source().adjusted(QUrl::RemoveFragment), page);
        help->WebBrowser1->verticalScrollBar()->setValue(0);

        clickText(help->WebBrowser1, QStringLiteral("second page"));
        QTRY_COMPARE(help->WebBrowser1->source(),
                     QUrl::fromLocalFile(QDir(ledger.folder()).filePath(QStringLiteral("second.htm"))));
        QVERIFY(help->WebBrowser1->toPlainText().contains(QStringLiteral("Second marker")));
        QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("frmLedger")));
    }

    void printingMakesOnePageAndKeepsTheCurrentRow()
    {
        TestLedger ledger;
        appendRows(ledger, 40);
        auto* window = openLedger(40);
        QVERIFY(window);

        // The user picks the second row.
        QTableView* grid = window->grdDataGrid;
        grid->scrollToTop();
        const QRect second = grid->visualRect(grid->model()->index(1, 3));
        QVERIFY(grid->viewport()->rect().contains(second.center()));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 2);

        MessageAnswerer answerer;
        QTemporaryDir out;
        const QString pdfPath = QDir(out.path()).filePath(QStringLiteral("ledger.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        window->PrintClientArea(printer);

        QFile pdf(pdfPath);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QCOMPARE(pdfPageCount(bytes), 1);
        QVERIFY(bytes.contains("/Subtype /Image"));
        QVERIFY(answerer.texts.isEmpty());
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 2);
        QVERIFY(window->isVisible());
        QCOMPARE(ledger.rows().size(), std::size_t(40));
    }

    void printWithoutPrinterSaysSoAndChangesNothing()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        TestLedger ledger;
        appendRows(ledger, 5);
        auto* window = openLedger(5);
        QVERIFY(window);
        const std::vector<LedgerRow> before = ledger.rows();

        MessageAnswerer answerer;
        QTest::mouseClick(window->Command2, Qt::LeftButton);
        QCOMPARE(answerer.texts.size(), 1);
        QCOMPARE(answerer.captions, QStringList{QStringLiteral("Tallowick")});
        QVERIFY2(answerer.texts.first().contains(QStringLiteral("printer")), qPrintable(answerer.texts.first()));
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 5);
        QVERIFY(WindowRegistry::instance().isLoaded(QStringLiteral("frmLedger")));
        QVERIFY(ledger.rows() == before);

        // Alt+P is the same command.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_P, Qt::AltModifier);
        QTRY_COMPARE(answerer.texts.size(), 2);
        QCOMPARE(answerer.texts.last(), answerer.texts.first());
        QCOMPARE(window->datPrimaryRS->AbsolutePosition(), 5);
    }
};

QTEST_MAIN(HelpAndPrintTest)
#include "HelpAndPrintTest.moc"
