#pragma once

#include <QAbstractSpinBox>
#include <functional>
#include <optional>

// A numeric entry box that keeps its text exactly as typed. Its value is that text read as a decimal
// integer, or the lower bound when the text is no integer; bounds apply only when a value is set or
// when the box loses the focus. Every change of the text is reported.
class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    int Value() const;
    // Stores value as decimal text, bounded first when the bounds differ.
    void SetValue(int value);
    QString Text() const;
    void SetText(const QString& text);

    int MinValue() const { return minValue_; }
    int MaxValue() const { return maxValue_; }
    void SetMinValue(int value) { minValue_ = value; }
    void SetMaxValue(int value) { maxValue_ = value; }
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }

    // Called for a key the box refuses.
    void SetBeep(std::function<void()> beep) { beep_ = std::move(beep); }

    // The box's own reading of a text: nothing when it is no decimal integer.
    static std::optional<int> ParseDecimal(const QString& text);
    // Whether typing this character is accepted.
    static bool IsValidChar(QChar c);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Every change of the text, by the user or by the program.
    void Changed();
    // The box is losing the focus; emitted before the bounds are applied.
    void Exited();

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int Bounded(int value) const;

    int minValue_ = 0;
    int maxValue_ = 0;
    int increment_ = 1;
    std::function<void()> beep_;
};
