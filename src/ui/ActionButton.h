#pragma once

class QAbstractButton;
class QAction;

namespace tarnwick {

// Makes `button` a face of `action`: pressing it triggers the action, and it shows the action's text,
// enabled state and tooltip (the reason a disabled command cannot be used) as they change. The command
// itself lives in the action, which the menus show too.
void bindToAction(QAbstractButton* button, QAction* action);

} // namespace tarnwick
