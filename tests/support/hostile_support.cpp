#include "support/hostile_support.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <json-glib/json-glib.h>

#include <stdexcept>

#include "base/cipher.h"
#include "base/config.h"
#include "base/ptr.h"
#include "launch/viewer.h"
#include "support/print_capture.h"
#include "support/spin.h"
#include "support/temp_home.h"

namespace kesta::test {

std::string nested_arrays(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

std::string nested_objects(std::size_t depth) {
  std::string text;
  text.reserve(depth * 6 + 2);
  for (std::size_t i = 0; i < depth; ++i) text += R"({"a":)";
  text += "1";
  text.append(depth, '}');
  return text;
}

namespace {

JsonNodePtr parse(const std::string& text) {
  const RefPtr<JsonParser> parser = take_ref(json_parser_new());
  Error error;
  if (!json_parser_load_from_data(parser.get(), text.data(), static_cast<gssize>(text.size()), error))
    throw std::invalid_argument(std::string("not JSON: ") + error.message_or("") + ": " + text);
  return JsonNodePtr(json_node_copy(json_parser_get_root(parser.get())));
}

}  // namespace

std::string with_member(const std::string& json, const std::vector<std::string>& path, const std::string& value) {
  JsonNodePtr root = parse(json);
  JsonNode* node = root.get();
  for (std::size_t i = 0; i + 1 < path.size(); ++i) {
    if (JSON_NODE_HOLDS_ARRAY(node))
      node = json_array_get_element(json_node_get_array(node), static_cast<guint>(std::stoul(path[i])));
    else
      node = json_object_get_member(json_node_get_object(node), path[i].c_str());
    if (!node) throw std::invalid_argument("no member " + path[i] + " in " + json);
  }
  JsonNode* replacement = parse(value).release();
  if (JSON_NODE_HOLDS_ARRAY(node)) {
    JsonArray* array = json_node_get_array(node);
    const guint index = static_cast<guint>(std::stoul(path.back()));
    json_array_remove_element(array, index);
    // Arrays have no insertion; the rest is moved behind the new element.
    std::vector<JsonNodePtr> tail;
    while (json_array_get_length(array) > index) {
      tail.emplace_back(json_node_copy(json_array_get_element(array, index)));
      json_array_remove_element(array, index);
    }
    json_array_add_element(array, replacement);
    for (JsonNodePtr& rest : tail) json_array_add_element(array, rest.release());
  } else {
    json_object_set_member(json_node_get_object(node), path.back().c_str(), replacement);
  }
  const RefPtr<JsonGenerator> generator = take_ref(json_generator_new());
  json_generator_set_root(generator.get(), root.get());
  const GCharPtr text(json_generator_to_data(generator.get(), nullptr));
  return text.get();
}

const std::vector<std::string>& json_values_of_every_type() {
  static const std::vector<std::string> values = {
      "null", "true", "false", "0", "1", "-7.5", "3000000000", R"("")", R"("text")", "[]", R"([1,"a",{}])", "{}",
      R"({"a":1})"};
  return values;
}

namespace {

void collect_texts(GtkWidget* widget, std::vector<std::string>& texts) {
  if (GTK_IS_LABEL(widget)) texts.emplace_back(gtk_label_get_text(GTK_LABEL(widget)));
  if (GTK_IS_ENTRY(widget)) texts.emplace_back(gtk_entry_get_text(GTK_ENTRY(widget)));
  if (GTK_IS_COMBO_BOX_TEXT(widget)) {
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(widget));
    GtkTreeIter row;
    for (gboolean more = gtk_tree_model_get_iter_first(model, &row); more;
         more = gtk_tree_model_iter_next(model, &row)) {
      gchar* text = nullptr;
      gtk_tree_model_get(model, &row, 0, &text, -1);
      texts.emplace_back(text ? text : "");
      g_free(text);
    }
  }
  if (GTK_IS_MENU_BUTTON(widget))
    if (GtkMenu* menu = gtk_menu_button_get_popup(GTK_MENU_BUTTON(widget))) collect_texts(GTK_WIDGET(menu), texts);
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* c = children; c; c = c->next) collect_texts(GTK_WIDGET(c->data), texts);
    g_list_free(children);
  }
}

}  // namespace

std::vector<std::string> shown_texts(GtkWidget* root) {
  std::vector<std::string> texts;
  collect_texts(root, texts);
  return texts;
}

std::vector<std::string> all_shown_texts() {
  std::vector<std::string> texts;
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next) {
    if (const char* title = gtk_window_get_title(GTK_WINDOW(w->data))) texts.emplace_back(title);
    collect_texts(GTK_WIDGET(w->data), texts);
  }
  g_list_free(windows);
  return texts;
}

std::string first_invalid_utf8(const std::vector<std::string>& texts) {
  for (const std::string& text : texts)
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  return {};
}

RecordingViewers::RecordingViewers() : dir_(make_temp_dir()) {
  const std::string program = dir_ + "/viewer";
  write_file(program, "#!/bin/sh\ncat >\"" + stdin_record() + "\" && touch \"" + ran() + "\"\n");
  g_chmod(program.c_str(), 0700);
  viewer_paths = ViewerPaths{program, program, program, program};
}

RecordingViewers::~RecordingViewers() {
  viewer_paths = ViewerPaths{};
  remove_file(ran());
  remove_file(stdin_record());
  remove_file(dir_ + "/viewer");
  g_rmdir(dir_.c_str());
}

bool RecordingViewers::started() {
  const bool ran_once = spin_until([this] { return g_file_test(ran().c_str(), G_FILE_TEST_EXISTS); });
  remove_file(ran());
  // Its end is seen too, so that the next "连接" on the VM finds no session
  // still open.
  return ran_once && spin_until(no_child_left);
}

std::string RecordingViewers::input() const { return read_file(stdin_record()); }

void HostileClient::SetUp() {
  ClientFixture::SetUp();
  const GCharPtr password = encrypt_password("secret");
  write_file(config_path(), "{\n  \"server_address\" : \"" + service_->url() +
                                "\",\n  \"maclogin\" : false,\n  \"protocol\" : \"spice\",\n"
                                "  \"save_credentials\" : true,\n  \"setting\" : false,\n"
                                "  \"username\" : \"alice\",\n  \"encrypted_password\" : \"" +
                                password.get() + "\"\n}");
  test::capture_prints();
  const bool loaded = load_config();
  test::captured_prints();
  ASSERT_TRUE(loaded);
  config_before_ = read_file(config_path());
}

void HostileClient::TearDown() {
  EXPECT_EQ(read_file(config_path()), config_before_) << "the configuration file changed";
  ClientFixture::TearDown();
}

void HostileClient::ensure_signed_in() {
  if (record() && gtk_widget_get_visible(record()->window)) return;
  const Outcome outcome = run([this] { sign_in(); });
  ASSERT_NE(record(), nullptr) << outcome.printed;
  ASSERT_TRUE(gtk_widget_get_visible(record()->window));
}

Outcome HostileClient::run(const std::function<void()>& action) {
  const std::size_t before = dialogs().size();
  test::capture_prints();
  action();
  wait_for_requests();
  Outcome outcome;
  outcome.printed = test::captured_prints();
  outcome.dialogs.assign(dialogs().begin() + static_cast<std::ptrdiff_t>(before), dialogs().end());
  return outcome;
}

Outcome HostileClient::run_answered(const std::string& path, const Reply& reply,
                                   const std::function<void()>& action) {
  ensure_signed_in();
  service_->scripts().force_reply(path, reply, Repeat::Once);
  return run(action);
}

std::vector<std::string> HostileClient::card_texts() {
  std::vector<std::string> texts;
  for (GtkWidget* card : cards())
    for (std::string& text : shown_texts(card)) texts.push_back(std::move(text));
  return texts;
}

}  // namespace kesta::test
