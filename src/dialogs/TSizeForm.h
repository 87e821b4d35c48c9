#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;
class TValueListEditor;

// Asks for a custom output frame size when "Custom Size" is picked in a grid's "Video Size"
// row, and writes width + "x" + height into that row. Closing it any other way puts the
// row back to "Original Size", so a grid never keeps "Custom Size" as a value.
class TSizeForm : public QDialog
{
    Q_OBJECT
public:
    // owner: the window it centres on and disables while shown.
    explicit TSizeForm(QWidget *owner);

    // The main window's custom-size hand-off: shows the dialog for that grid.
    void ShowFor(TValueListEditor *grid);

    QLabel *Label1, *Label2;
    QLineEdit *edtWidth, *edtHeight;
    QPushButton *btnOK, *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void btnOKClick();
    void FormClose();

    QWidget *m_main;
    QPointer<TValueListEditor> m_grid;
};
