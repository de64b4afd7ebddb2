#include "desktop/session_open_dialog.h"

#include "base/i18n.h"
#include "ui/dialog.h"

namespace kesta {

bool ask_to_reconnect(GtkWindow* parent) {
  const ModalDialog frame = build_modal_dialog(
      _("会话已打开"), parent, 400, -1, {{_("取消"), GTK_RESPONSE_CANCEL}, {_("重新连接"), GTK_RESPONSE_ACCEPT}});
  add_message(frame.box, _("会话已打开"), _("该虚拟机的会话已经打开。重新连接将结束正在运行的会话，再打开一个新的。"));
  return run_dialog(frame.dialog.get()) == GTK_RESPONSE_ACCEPT;
}

}  // namespace kesta
