#include "ui/ActionButton.h"

#include <QAbstractButton>
#include <QAction>

namespace tarnwick {

void bindToAction(QAbstractButton* button, QAction* action) {
    const auto follow = [button, action] {
        button->setText(action->iconText());
        button->setAccessibleName(action->iconText());
        button->setEnabled(action->isEnabled());
        button->setToolTip(action->toolTip() == action->iconText() ? QString() : action->toolTip());
    };
    QObject::connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button, follow);
    follow();
}

} // namespace tarnwick
