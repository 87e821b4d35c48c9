#include "TestSupport.h"

#include "core/QuarnelApplication.h"
#include "profiles/TValueListEditor.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A grid with one row of each kind, shown in a window of its own.
struct Fixture
{
    Fixture() : grid(95, 92, nullptr)
    {
        grid.InsertRow(QStringLiteral("Size")); // pick list, read-only as loads make it
        grid.SetPickList(0, Strings({"Original Size", "320x240", "640x480"}));
        grid.SetValueAt(0, QStringLiteral("320x240"));
        grid.SetReadOnly(0, true);
        grid.InsertRow(QStringLiteral("Bit Rate")); // free text
        grid.SetValueAt(1, QStringLiteral("800"));
        grid.InsertRow(QStringLiteral("Aspect")); // fixed
        grid.SetValueAt(2, QStringLiteral("4:3"));
        grid.SetReadOnly(2, true);
        grid.resize(187, 3 * 18);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }
    QPoint Cell(int row, int col) const
    {
        return QPoint(grid.columnViewportPosition(col) + grid.columnWidth(col) / 2, grid.rowViewportPosition(row) + 9);
    }
    QWidget *Editor() const
    {
        for (QWidget *w : grid.viewport()->findChildren<QWidget *>()) {
            if (w->isVisible() && (qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w)))
                return w;
        }
        return nullptr;
    }
    TValueListEditor grid;
};

} // namespace

class TestValueListEditor : public QObject
{
    Q_OBJECT
private slots:
    void rowsByKey()
    {
        TValueListEditor grid(95, 92, nullptr);
        QSignalSpy changes(&grid, &TValueListEditor::StringsChange);
        QCOMPARE(grid.InsertRow(QStringLiteral("Video Size")), 0);
        QCOMPARE(grid.InsertRow(QStringLiteral("Bit Rate")), 1);
        QCOMPARE(grid.InsertRow(QStringLiteral("video size")), 2);
        QCOMPARE(changes.count(), 3);
        QCOMPARE(grid.Key(1), QStringLiteral("Bit Rate"));
        QCOMPARE(grid.ValueAt(1), QString()); // appended rows start empty

        int row = -1;
        QVERIFY(grid.FindRow(QStringLiteral("VIDEO SIZE"), row));
        QCOMPARE(row, 0); // without regard to case, first match
        QVERIFY(grid.SetValue(QStringLiteral("bit rate"), QStringLiteral("800")));
        QCOMPARE(grid.Value(QStringLiteral("Bit Rate")), QStringLiteral("800"));
        QCOMPARE(changes.count(), 4);
        QVERIFY(!grid.SetValue(QStringLiteral("Missing"), QStringLiteral("x")));
        QCOMPARE(grid.Value(QStringLiteral("Missing")), QString());
        QCOMPARE(grid.RowCount(), 3); // nothing appended for an unknown key

        // Row properties are no change of keys or values.
        grid.SetReadOnly(1, true);
        grid.SetPickList(0, Strings({"a", "b"}));
        QCOMPARE(changes.count(), 4);

        grid.BeginUpdate();
        grid.SetValueAt(1, QStringLiteral("900"));
        grid.DeleteRow(2);
        grid.EndUpdate();
        QCOMPARE(changes.count(), 4);
        grid.DeleteRow(0);
        QCOMPARE(changes.count(), 5);
        grid.DeleteRow(7); // outside the rows: nothing
        QCOMPARE(grid.RowCount(), 1);
        QCOMPARE(grid.Key(0), QStringLiteral("Bit Rate"));
        QCOMPARE(grid.ValueAt(0), QStringLiteral("900"));
    }

    void rowStyles()
    {
        Fixture f;
        QCOMPARE(f.grid.Style(0), TValueListEditor::EditStyle::PickList);
        QCOMPARE(f.grid.PickList(0), Strings({"Original Size", "320x240", "640x480"}));
        QCOMPARE(f.grid.Style(1), TValueListEditor::EditStyle::Simple);
        QVERIFY(f.grid.ReadOnly(0) && !f.grid.ReadOnly(1) && f.grid.ReadOnly(2));
        QCOMPARE(f.grid.rowViewportPosition(1) - f.grid.rowViewportPosition(0), 18); // 17 + one line
        QCOMPARE(f.grid.columnWidth(0), 95);
    }

    void pickListIsChosenNeverTyped()
    {
        Fixture f;
        QSignalSpy changes(&f.grid, &TValueListEditor::StringsChange);
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.Cell(0, 1));
        auto *combo = qobject_cast<QComboBox *>(f.Editor());
        QVERIFY(combo);
        QVERIFY(!combo->isEditable());
        QCOMPARE(combo->currentText(), QStringLiteral("320x240"));
        QTest::keyClicks(combo, QStringLiteral("zz")); // no item starts with z, nothing to type into
        QCOMPARE(f.grid.ValueAt(0), QStringLiteral("320x240"));
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(f.grid.ValueAt(0), QStringLiteral("640x480"));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(f.grid.Row(), 0);
        QCOMPARE(f.grid.Col(), 1);
    }

    void pickListShowsATextThatIsNoItem()
    {
        Fixture f;
        f.grid.SetValueAt(0, QStringLiteral("720x480")); // a custom size written by the size dialog
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.Cell(0, 1));
        auto *combo = qobject_cast<QComboBox *>(f.Editor());
        QVERIFY(combo);
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(combo->placeholderText(), QStringLiteral("720x480"));
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.Cell(1, 1)); // leave without choosing
        QCOMPARE(f.grid.ValueAt(0), QStringLiteral("720x480"));
    }

    void freeRowIsTypedFixedRowIsNot()
    {
        Fixture f;
        f.grid.SetRefusedCharacters(QStringLiteral("["));
        // A click on the chosen cell opens its editor once the double-click time has passed.
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.Cell(1, 1));
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.Cell(1, 1));
        QTRY_VERIFY(f.Editor());
        auto *edit = qobject_cast<QLineEdit *>(f.Editor());
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("12[00"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE(f.grid.ValueAt(1), QStringLiteral("1200")); // "[" was refused

        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.Cell(2, 1));
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.Cell(2, 1));
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QVERIFY(!f.Editor());
        QTest::keyClick(&f.grid, Qt::Key_F2);
        QTest::keyClicks(&f.grid, QStringLiteral("16:9")); // typing neither edits nor jumps to a row
        QVERIFY(!f.Editor());
        QCOMPARE(f.grid.Row(), 2);
        QCOMPARE(f.grid.ValueAt(2), QStringLiteral("4:3"));
    }

    void keyColumnIsFixed()
    {
        Fixture f;
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.Cell(1, 0));
        QCOMPARE(f.grid.Row(), 1);
        QCOMPARE(f.grid.Col(), 1);
    }

    void cellColours()
    {
        Fixture f;
        const QColor window = f.grid.palette().color(QPalette::Base);
        const QColor face = f.grid.palette().color(QPalette::Button);
        const QColor black(Qt::black);
        auto colours = [&](int row, int col) {
            const TValueListEditor::CellColors c = f.grid.DrawCellColors(row, col);
            return qMakePair(c.text, c.background);
        };
        // Away from the current row: keys on the button face, values black, the fixed value silver.
        f.grid.setCurrentCell(1, 1);
        QCOMPARE(colours(0, 0), qMakePair(black, face));
        QCOMPARE(colours(0, 1), qMakePair(black, window)); // read-only pick list: not silver
        QCOMPARE(colours(2, 1), qMakePair(TValueListEditor::Silver, window));

        // The current row's key is highlighted only while the grid has the focus; its value
        // cell never shows a selection highlight, and keeps its silver.
        f.grid.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.grid));
        f.grid.setFocus();
        f.grid.setCurrentCell(2, 1);
        QVERIFY(f.grid.Focused());
        QCOMPARE(colours(2, 0).second, TValueListEditor::FocusedKey);
        QCOMPARE(colours(2, 1), qMakePair(TValueListEditor::Silver, window));
        QCOMPARE(colours(1, 0), qMakePair(black, face));

        const QImage shot = f.grid.grab().toImage();
        QCOMPARE(shot.pixelColor(1, f.grid.rowViewportPosition(2) + 1), TValueListEditor::FocusedKey);
        QCOMPARE(shot.pixelColor(f.grid.columnViewportPosition(1) + 60, f.grid.rowViewportPosition(2) + 2), window);

        QLineEdit other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        other.setFocus();
        QVERIFY(!f.grid.Focused());
        QCOMPARE(colours(2, 0), qMakePair(black, window));
    }

    void columnBorderDrag()
    {
        Fixture f;
        f.grid.resize(300, f.grid.height());
        QCOMPARE(f.grid.columnWidth(0), 95);
        QCOMPARE(f.grid.columnWidth(0) + f.grid.columnWidth(1), f.grid.viewport()->width()); // the value column fills
        QWidget *vp = f.grid.viewport();
        const int row = f.grid.Row();
        QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(96, 27));
        QTest::mouseMove(vp, QPoint(140, 27));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(140, 27));
        QCOMPARE(f.grid.columnWidth(0), 140);
        QCOMPARE(f.grid.columnWidth(0) + f.grid.columnWidth(1), vp->width());
        QCOMPARE(f.grid.Row(), row); // the drag chose no other cell
    }
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestValueListEditor test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestValueListEditor.moc"
