#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TTaskListModel;

// Edits the DVD volume name, the prefix of every output file name. Opened by the task
// list's "Change DVD Volume"; while shown the main window is disabled.
class TEditDVDVolumeForm : public QDialog
{
    Q_OBJECT
public:
    // owner: the window it centres on and disables while shown; list: repainted with the new
    // output names.
    TEditDVDVolumeForm(QWidget *owner, TTaskListModel *list);

    // Fills the edit with the current volume name and shows the dialog.
    void pmiDVDVolumeClick();

    QLabel *Label1;
    QLineEdit *edtDVDVolume;
    QPushButton *btnOK, *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void btnOKClick();

    QWidget *m_main;
    TTaskListModel *m_list;
};
