// TfrmRecControl: the login dialog.
#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

namespace zephyra {

class TfrmRecControl : public QDialog {
    Q_OBJECT
public:
    // check: runs the credential check and, on success, logs in; shows the failure message itself.
    explicit TfrmRecControl(std::function<bool(const QString &, const QString &)> check,
                            QWidget *parent = nullptr);

    void bbtnOKClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::function<bool(const QString &, const QString &)> check_;
    QLineEdit *idInput_;
    QLineEdit *pwInput_;
    QPushButton *bbtnOK_;
    QPushButton *bitBtn2_;
};

} // namespace zephyra
