#include "SpinBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <algorithm>
#include <limits>

namespace kestrune::app {

SpinBox::SpinBox(QWidget* parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
    connect(lineEdit(), &QLineEdit::textChanged, this, &SpinBox::changed);
    lineEdit()->setText(QStringLiteral("0"));
}

std::optional<int> SpinBox::parseDecimal(const QString& text)
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

bool SpinBox::isValidChar(QChar c)
{
    if (c.isDigit() && c.unicode() < 128)
        return true;
    if (c == QLatin1Char('+') || c == QLatin1Char('-'))
        return true;
    if (QLocale().decimalPoint() == QString(c))
        return true;
    // Keys that type nothing printable (Delete, Backspace, Ctrl+A ...) edit as in any box; Enter is refused.
    return !c.isPrint() && c != QLatin1Char('\r');
}

int SpinBox::value() const { return parseDecimal(text()).value_or(m_minValue); }

int SpinBox::bounded(int value) const
{
    if (m_maxValue == m_minValue)
        return value;
    if (value < m_minValue)
        return m_minValue;
    if (value > m_maxValue)
        return m_maxValue;
    return value;
}

void SpinBox::setValue(int value) { setText(QString::number(bounded(value))); }

QString SpinBox::text() const { return lineEdit()->text(); }

void SpinBox::setText(const QString& text) { lineEdit()->setText(text); }

void SpinBox::stepBy(int steps)
{
    const long long next = static_cast<long long>(value()) + static_cast<long long>(steps) * m_increment;
    const long long clamped = std::clamp<long long>(next, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max());
    setValue(static_cast<int>(clamped));
}

QValidator::State SpinBox::validate(QString&, int&) const { return QValidator::Acceptable; }

QAbstractSpinBox::StepEnabled SpinBox::stepEnabled() const
{
    if (isReadOnly() || !isEnabled())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

void SpinBox::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    for (QChar c : text) {
        if (!isValidChar(c)) {
            event->accept();
            if (m_beep)
                m_beep();
            return;
        }
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void SpinBox::focusOutEvent(QFocusEvent* event)
{
    emit exited();
    const int current = value();
    if (bounded(current) != current)
        setValue(current);
    QAbstractSpinBox::focusOutEvent(event);
}

QSize SpinBox::sizeHint() const
{
    const QSize base = QAbstractSpinBox::sizeHint();
    const int digits = fontMetrics().horizontalAdvance(QStringLiteral("000000"));
    return {std::max(base.width(), digits + 30), base.height()};
}

QSize SpinBox::minimumSizeHint() const { return sizeHint(); }

} // namespace kestrune::app
