#include "LazyTab.h"

namespace kestrune::app {

void LazyTab::ensureBuilt() const
{
    if (m_built)
        return;
    // Every tab is made as a non-const widget; only the accessors see it as const.
    auto* self = const_cast<LazyTab*>(this);
    self->m_built = true;
    self->build();
    emit self->built();
}

void LazyTab::setVisible(bool visible)
{
    // Before the show, so that the new controls are shown and polished with the page.
    if (visible)
        ensureBuilt();
    QWidget::setVisible(visible);
}

} // namespace kestrune::app
