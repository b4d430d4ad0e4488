#include "SpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <algorithm>
#include <limits>

TSpinEdit::TSpinEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
    connect(lineEdit(), &QLineEdit::textChanged, this, &TSpinEdit::Changed);
    lineEdit()->setText(QStringLiteral("0"));
}

std::optional<int> TSpinEdit::ParseDecimal(const QString& text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                     : std::numeric_limits<int>::max();
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        magnitude = magnitude * 10 + (c.unicode() - '0');
        if (magnitude > limit)
            return std::nullopt;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

bool TSpinEdit::IsValidChar(QChar c)
{
    if (c.isDigit() && c.unicode() < 128)
        return true;
    if (c == QLatin1Char('+') || c == QLatin1Char('-'))
        return true;
    if (QLocale().decimalPoint() == QString(c))
        return true;
    return c.unicode() < 0x20 && c != QLatin1Char('\r');
}

int TSpinEdit::Value() const { return ParseDecimal(Text()).value_or(minValue_); }

int TSpinEdit::Bounded(int value) const
{
    if (maxValue_ == minValue_)
        return value;
    if (value < minValue_)
        return minValue_;
    if (value > maxValue_)
        return maxValue_;
    return value;
}

void TSpinEdit::SetValue(int value) { SetText(QString::number(Bounded(value))); }

QString TSpinEdit::Text() const { return lineEdit()->text(); }

void TSpinEdit::SetText(const QString& text) { lineEdit()->setText(text); }

void TSpinEdit::stepBy(int steps)
{
    const long long next = static_cast<long long>(Value()) + static_cast<long long>(steps) * increment_;
    const long long clamped = std::clamp<long long>(next, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max());
    SetValue(static_cast<int>(clamped));
}

QValidator::State TSpinEdit::validate(QString&, int&) const { return QValidator::Acceptable; }

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const
{
    if (isReadOnly() || !isEnabled())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

void TSpinEdit::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    for (QChar c : text) {
        if (!IsValidChar(c)) {
            event->accept();
            if (beep_)
                beep_();
            return;
        }
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void TSpinEdit::focusOutEvent(QFocusEvent* event)
{
    emit Exited();
    const int value = Value();
    if (Bounded(value) != value)
        SetValue(value);
    QAbstractSpinBox::focusOutEvent(event);
}

QSize TSpinEdit::sizeHint() const
{
    const QSize base = QAbstractSpinBox::sizeHint();
    const int digits = fontMetrics().horizontalAdvance(QStringLiteral("000000"));
    return {std::max(base.width(), digits + 30), base.height()};
}

QSize TSpinEdit::minimumSizeHint() const { return sizeHint(); }
