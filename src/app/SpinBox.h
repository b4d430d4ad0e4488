#pragma once

#include <QAbstractSpinBox>
#include <functional>
#include <optional>

namespace kestrune::app {

// A numeric entry box that keeps its text exactly as typed. Its value is that text read as a decimal
// integer, or the lower bound when the text is no integer; bounds apply only when a value is set or
// when the box loses the focus. Every change of the text is reported.
class SpinBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit SpinBox(QWidget* parent = nullptr);

    int value() const;
    // Stores value as decimal text, bounded first when the bounds differ.
    void setValue(int value);
    QString text() const;
    void setText(const QString& text);

    int minValue() const { return m_minValue; }
    int maxValue() const { return m_maxValue; }
    void setMinValue(int value) { m_minValue = value; }
    void setMaxValue(int value) { m_maxValue = value; }
    int increment() const { return m_increment; }
    void setIncrement(int value) { m_increment = value; }

    // Called for a key the box refuses.
    void setBeep(std::function<void()> beep) { m_beep = std::move(beep); }

    // The box's own reading of a text: nothing when it is no decimal integer.
    static std::optional<int> parseDecimal(const QString& text);
    // Whether typing this character is accepted: digits, signs, the decimal separator and whatever prints nothing.
    static bool isValidChar(QChar c);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Every change of the text, by the user or by the program.
    void changed();
    // The box is losing the focus; emitted before the bounds are applied.
    void exited();

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int bounded(int value) const;

    int m_minValue = 0;
    int m_maxValue = 0;
    int m_increment = 1;
    std::function<void()> m_beep;
};

} // namespace kestrune::app
