// A spin field as the settings windows use it: the text is what the operator typed (OK reports what
// does not parse), keys other than digits, signs and the decimal point are refused with a beep, and an
// out-of-range value moves to the nearer limit only when the field loses the focus.
#pragma once

#include <QAbstractSpinBox>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zephyra {

class SpinFieldWidget : public QAbstractSpinBox {
    Q_OBJECT
public:
    enum class Kind { Integer, Tenths };
    // What leaving the field makes of its text (the core's rule for this field).
    using LeaveRule = std::function<std::string(std::string_view)>;

    // lo and hi in whole units (Integer) or tenths (Tenths); the arrows step by one of them.
    SpinFieldWidget(const char *name, Kind kind, int32_t lo, int32_t hi, LeaveRule leave, int maxChars = 0,
                    QWidget *parent = nullptr);

    QString Text() const;
    void SetText(const QString &text);
    // The focus-loss rule, also run by focusOutEvent.
    void Leave();

    void stepBy(int steps) override;
    QValidator::State validate(QString &input, int &pos) const override;

signals:
    void TextChanged(const QString &text);

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    Kind kind_;
    int32_t lo_, hi_;
    LeaveRule leave_;
    int maxChars_;
};

} // namespace zephyra
