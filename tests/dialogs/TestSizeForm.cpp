#include "TestSupport.h"
#include "WindowTestBase.h"

#include "core/OwnedWindows.h"
#include "core/QuarnelApplication.h"
#include "dialogs/TSizeForm.h"
#include "profiles/TValueListEditor.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {
const QString kVideoSize = QStringLiteral("Video Size");
}

class TestSizeForm : public WindowTestBase
{
    Q_OBJECT
private:
    void SetUp() override
    {
        m_main = std::make_unique<QWidget>();
        m_main->resize(800, 600);
        m_grid = new TValueListEditor(95, 92, m_main.get());
        m_grid->InsertRow(kVideoSize);
        m_form = std::make_unique<TSizeForm>(m_main.get());
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
        grid()->SetValue(kVideoSize, QStringLiteral("Custom Size")); // what the user picked
    }
    void TearDown() override
    {
        m_form.reset();
        m_main.reset();
    }

private slots:
    void showsForTheGrid()
    {
        m_form->ShowFor(grid());
        QVERIFY(m_form->isVisible());
        QVERIFY(!m_main->isEnabled());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Video Size of output files"));
        // 336 x 106, or wider where the caption needs it: a title bar cuts it otherwise.
        QCOMPARE(m_form->height(), 106);
        QCOMPARE(m_form->width(), qMax(336, OwnedWindows::CaptionWidth(m_form.get())));
        QCOMPARE(m_form->btnCancel->geometry().right(), m_form->width() - 17);
        QCOMPARE(m_form->edtWidth->text(), QString());
        QCOMPARE(m_form->edtHeight->text(), QString());
    }

    void ok_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("cell"); // the "Video Size" row after OK
        QTest::addColumn<QString>("message"); // "" when none
        QTest::addColumn<QString>("caption");

        const QString w = QStringLiteral("Please specify a proper width for output videos.");
        const QString h = QStringLiteral("Please specify a proper height for output videos.");
        QTest::newRow("640 x 480") << "640"
                                   << "480"
                                   << "640x480"
                                   << ""
                                   << "";
        QTest::newRow("blanks and plus sign read, written plain") << " 720 "
                                                                  << "+576"
                                                                  << "720x576"
                                                                  << ""
                                                                  << "";
        QTest::newRow("empty height") << "640"
                                      << ""
                                      << "Custom Size" << h << "Incorrect Height";
        QTest::newRow("letters in the height") << "640"
                                               << "4x3"
                                               << "Custom Size" << h << "Incorrect Height";
        QTest::newRow("empty width") << ""
                                     << "480"
                                     << "Custom Size" << w << "Incorrect Width";
        QTest::newRow("fraction") << "640.5"
                                  << "480"
                                  << "Custom Size" << w << "Incorrect Width";
        QTest::newRow("beyond 32 bits") << "4294967936"
                                        << "480"
                                        << "Custom Size" << w << "Incorrect Width";
        // No encoder makes a frame of no or negative size.
        QTest::newRow("zero width") << "0"
                                    << "480"
                                    << "Custom Size" << w << "Incorrect Width";
        QTest::newRow("negative height") << "640"
                                         << "-480"
                                         << "Custom Size" << h << "Incorrect Height";
        QTest::newRow("both wrong: width first") << "x"
                                                 << "y"
                                                 << "Custom Size" << w << "Incorrect Width";
    }
    void ok()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, message);
        m_form->ShowFor(grid());
        m_form->edtWidth->setText(width);
        m_form->edtHeight->setText(height);
        QTest::mouseClick(m_form->btnOK, Qt::LeftButton);
        QTEST(grid()->Value(kVideoSize), "cell");
        if (message.isEmpty()) {
            QVERIFY(m_boxes->Calls().isEmpty());
            QVERIFY(!m_form->isVisible());
            QVERIFY(m_main->isEnabled());
            return;
        }
        QCOMPARE(m_boxes->Texts(), QStringList{message});
        QTEST(m_boxes->Calls().first().caption, "caption");
        QVERIFY(m_boxes->Calls().first().icon == MessageBox::Icon::Information);
        QVERIFY(m_form->isVisible());
        QVERIFY(!m_main->isEnabled());
        QLineEdit *wrong = message.contains(QStringLiteral("width")) ? m_form->edtWidth : m_form->edtHeight;
        QCOMPARE(m_form->focusWidget(), wrong);
    }

    // However the dialog goes without a size, the row falls back to "Original Size".
    void closingWithoutSize_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("close box") << "close";
        QTest::newRow("close box after a refused OK") << "refused";
    }
    void closingWithoutSize()
    {
        QFETCH(QString, how);
        m_form->ShowFor(grid());
        m_form->edtWidth->setText(QStringLiteral("640"));
        if (how == u"cancel") {
            QTest::mouseClick(m_form->btnCancel, Qt::LeftButton);
        } else if (how == u"escape") {
            QTest::keyClick(m_form->edtWidth, Qt::Key_Escape);
        } else {
            if (how == u"refused")
                m_form->btnOK->click();
            m_form->close();
        }
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_main->isEnabled());
        QCOMPARE(grid()->Value(kVideoSize), QStringLiteral("Original Size"));
    }

    // The edits keep their text from one use to the next.
    void editsKeepTheirText()
    {
        m_form->ShowFor(grid());
        m_form->edtWidth->setText(QStringLiteral("352"));
        m_form->edtHeight->setText(QStringLiteral("288"));
        m_form->btnOK->click();
        grid()->SetValue(kVideoSize, QStringLiteral("Custom Size"));
        m_form->ShowFor(grid());
        QCOMPARE(m_form->edtWidth->text(), QStringLiteral("352"));
        QCOMPARE(m_form->edtHeight->text(), QStringLiteral("288"));
        QTest::keyClick(m_form->edtHeight, Qt::Key_Return); // Enter is OK
        QCOMPARE(grid()->Value(kVideoSize), QStringLiteral("352x288"));
    }

private:
    TValueListEditor *grid() const { return m_grid; }

    std::unique_ptr<QWidget> m_main;
    std::unique_ptr<TSizeForm> m_form;
    TValueListEditor *m_grid = nullptr;
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestSizeForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestSizeForm.moc"
