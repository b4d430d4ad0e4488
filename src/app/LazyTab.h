#pragma once

#include <QWidget>

namespace kestrune::app {

// A tab whose controls are made when it is first shown or first asked for, so that a start paints the window
// without building the tabs nobody opened. Until then the settings the window holds are its values.
class LazyTab : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    bool isBuilt() const { return m_built; }
    // Makes the controls if they are not there yet. Const so that every accessor can ask for them: the
    // controls are the tab's contents, not a change of what it shows.
    void ensureBuilt() const;
    void setVisible(bool visible) override;

signals:
    // The controls were just made: the window fills them in from its settings and wires them.
    void built();

protected:
    virtual void build() = 0;
    // For the accessors: the control, made first if need be (taken by reference, so read once it is made).
    template <class Control>
    Control* ready(Control* const& control) const
    {
        ensureBuilt();
        return control;
    }

private:
    bool m_built = false;
};

} // namespace kestrune::app
