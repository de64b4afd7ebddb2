#include "support/dialog_recorder.h"

#include <cstdint>

#include "ui/data_keys.h"

namespace kesta::test {

namespace {

constexpr char kAnsweredKey[] = "kesta-test-answered";
// When the dialog was recorded, in monotonic microseconds.
constexpr char kSeenKey[] = "kesta-test-seen";

// The labels of the content area, leaving out those of the buttons.
void collect_labels(GtkWidget* widget, std::vector<std::string>& texts) {
  if (GTK_IS_BUTTON(widget)) return;
  if (GTK_IS_LABEL(widget)) {
    texts.emplace_back(gtk_label_get_text(GTK_LABEL(widget)));
  } else if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* c = children; c; c = c->next) collect_labels(GTK_WIDGET(c->data), texts);
    g_list_free(children);
  }
}

}  // namespace

DialogRecorder::DialogRecorder() : source_(add_timeout(20, poll, this)) {}

gboolean DialogRecorder::poll(gpointer self) noexcept {
  GList* windows = gtk_window_list_toplevels();
  std::vector<GtkDialog*> open;
  for (GList* w = windows; w; w = w->next)
    // A dialog waiting for the service is answered once its input is free.
    if (GTK_IS_DIALOG(w->data) && gtk_widget_get_mapped(GTK_WIDGET(w->data)) &&
        !g_object_get_data(G_OBJECT(w->data), kAnsweredKey) && !g_object_get_data(G_OBJECT(w->data), keys::kBusy))
      open.push_back(GTK_DIALOG(w->data));
  g_list_free(windows);
  auto* recorder = static_cast<DialogRecorder*>(self);
  const gint64 now = g_get_monotonic_time();
  for (GtkDialog* dialog : open) {
    if (!g_object_get_data(G_OBJECT(dialog), kSeenKey)) recorder->record(dialog, now);
    const auto seen = reinterpret_cast<std::intptr_t>(g_object_get_data(G_OBJECT(dialog), kSeenKey));
    if (now - seen >= std::chrono::microseconds(recorder->keep_open_).count()) recorder->answer(dialog);
  }
  return G_SOURCE_CONTINUE;
}

void DialogRecorder::record(GtkDialog* dialog, gint64 now) {
  g_object_set_data(G_OBJECT(dialog), kSeenKey, reinterpret_cast<gpointer>(static_cast<std::intptr_t>(now)));
  std::vector<std::string> texts;
  collect_labels(gtk_dialog_get_content_area(dialog), texts);
  DialogRecord record;
  const char* title = gtk_window_get_title(GTK_WINDOW(dialog));
  record.title = title ? title : "";
  if (!texts.empty()) record.heading = texts.front();
  for (std::size_t i = 1; i < texts.size(); ++i) {
    if (i > 1) record.message += "\n";
    record.message += texts[i];
  }
  dialogs_.push_back(record);
}

void DialogRecorder::answer(GtkDialog* dialog) {
  g_object_set_data(G_OBJECT(dialog), kAnsweredKey, GINT_TO_POINTER(1));
  if (inspect_) inspect_(dialog);
  int response = GTK_RESPONSE_OK;
  if (!responses_.empty()) {
    response = responses_.front();
    responses_.pop_front();
  }
  gtk_dialog_response(dialog, response);
}

}  // namespace kesta::test
