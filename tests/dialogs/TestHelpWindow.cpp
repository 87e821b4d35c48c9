// The built-in help viewer on the shipped pages: it opens on the index page, lists the
// contents and the index, follows links and hands web addresses to the desktop.
#include "TestSupport.h"
#include "core/MessageBox.h"
#include "core/ShellOpen.h"
#include "dialogs/THelpWindow.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

class TestHelpWindow : public QObject
{
    Q_OBJECT

    QString HelpFolder() const { return SourceDir() + QStringLiteral("/resources/help"); }

private slots:
    void cleanup()
    {
        ShellOpen::SetHook({});
        MessageBox::SetHook({});
    }

    void opensOnTheIndexPageAndFollowsALink()
    {
        QWidget owner;
        THelpWindow *help = THelpWindow::ShowHelp(&owner, HelpFolder());
        QVERIFY(help->isVisible());
        QCOMPARE(help->Browser()->source().fileName(), QStringLiteral("index.html"));
        QCOMPARE(help->Browser()->documentTitle(), QStringLiteral("Welcome to Quarnel"));

        // Tab selects the first link of the page, Return follows it, as from the keyboard.
        QTextBrowser *browser = help->Browser();
        QTest::keyClick(browser, Qt::Key_Tab);
        QCOMPARE(browser->textCursor().charFormat().anchorHref(), QStringLiteral("opening.html"));
        QTest::keyClick(browser, Qt::Key_Return);
        QCOMPARE(browser->source().fileName(), QStringLiteral("opening.html"));
        QVERIFY(browser->toPlainText().contains(QStringLiteral("DVD")));
        browser->backward();
        QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));

        // A second Help shows the same window, on the index page again.
        emit browser->anchorClicked(QUrl(QStringLiteral("settings.html")));
        QCOMPARE(THelpWindow::ShowHelp(&owner, HelpFolder()), help);
        QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));
    }

    void contentsAndIndexOpenTheirPages()
    {
        THelpWindow help(HelpFolder());
        QVERIFY(help.Contents()->count() >= 10);
        QCOMPARE(help.Contents()->item(0)->text(), QStringLiteral("Welcome to Quarnel"));
        QVERIFY(help.Index()->count() >= 30);

        const QList<QListWidgetItem *> profiles =
            help.Contents()->findItems(QStringLiteral("Profiles"), Qt::MatchStartsWith);
        QVERIFY(!profiles.isEmpty());
        emit help.Contents()->itemClicked(profiles.first());
        QCOMPARE(help.Browser()->source().fileName(), QStringLiteral("profiles.html"));

        // An index entry with an anchor lands on that page; the filter hides what does not match.
        help.IndexFilter()->setText(QStringLiteral("ask me"));
        int shown = 0;
        for (int i = 0; i < help.Index()->count(); ++i)
            shown += help.Index()->item(i)->isHidden() ? 0 : 1;
        QCOMPARE(shown, 1);
        emit help.IndexFilter()->returnPressed();
        QCOMPARE(help.Browser()->source().fileName(), QStringLiteral("output.html"));
        QCOMPARE(help.Browser()->source().fragment(), QStringLiteral("overwrite"));
    }

    void webAddressesGoToTheDesktop()
    {
        QStringList opened;
        ShellOpen::SetHook([&](const QString &target) { opened << target; });
        THelpWindow help(HelpFolder());
        emit help.Browser()->anchorClicked(QUrl(QStringLiteral("https://example.org/page")));
        QCOMPARE(opened, QStringList{QStringLiteral("https://example.org/page")});
        QCOMPARE(help.Browser()->source().fileName(), QStringLiteral("index.html"));
    }

    // With no launcher on the desktop (none on PATH here), the target is shown to copy.
    void whatTheDesktopCannotOpenIsShown_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("kind");
        QTest::newRow("web address") << QStringLiteral("https://quarnel.example.org/") << QStringLiteral("address");
        QTest::newRow("folder") << QStringLiteral("/videos/out") << QStringLiteral("folder");
    }
    void whatTheDesktopCannotOpenIsShown()
    {
        QFETCH(QString, target);
        QFETCH(QString, kind);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        QList<MessageBox::Call> shown;
        MessageBox::SetHook([&](const MessageBox::Call &call) {
            shown << call;
            return QMessageBox::Ok;
        });
        ShellOpen::Open(target);
        qputenv("PATH", path);
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown.first().text.contains(target));
        QVERIFY(shown.first().text.contains(kind));
    }

    void sitemapItemsInEitherParamOrder()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("t.hhk"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<UL><LI><OBJECT type=\"text/sitemap\">\n<param name=\"Local\" value=\"b.html#x\">\n"
                "<param name=\"Name\" value=\"B\"></OBJECT>\n"
                "<LI><object type=\"text/sitemap\"><param name=\"Name\" value=\"No page\"></object>\n"
                "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"A\"><param name=\"Local\" "
                "value=\"a.html\"></OBJECT></UL>");
        f.close();
        const THelpWindow::Topics expected{{QStringLiteral("B"), QStringLiteral("b.html#x")},
                                           {QStringLiteral("A"), QStringLiteral("a.html")}};
        QCOMPARE(THelpWindow::ReadTopics(file), expected);
        QVERIFY(THelpWindow::ReadTopics(dir.filePath(QStringLiteral("missing.hhk"))).isEmpty());
    }
};

QTEST_MAIN(TestHelpWindow)
#include "TestHelpWindow.moc"
