#include "CancelKey.h"

#include <QKeyEvent>
#include <QPushButton>

bool pressCancelOnEscape(QKeyEvent* event, QPushButton* cancel) {
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier)
        return false;
    if (cancel->isVisible() && cancel->isEnabled())
        cancel->click();
    event->accept();
    return true;
}
