// Shared by the hostile-service tests: replies no sane service sends, a
// client signed in to the stand-in whose configuration file must come out
// of every test byte for byte as it went in, checks on what the client then
// shows, and viewers that only note that they were started.
#pragma once

#include <gtk/gtk.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "support/client_fixture.h"
#include "support/pinned.h"

namespace kesta::test {

// "[[[...]]]" and {"a":{"a":...}} nested depth levels deep.
std::string nested_arrays(std::size_t depth);
std::string nested_objects(std::size_t depth);

// A JSON string escape that json-glib decodes to bytes that are not UTF-8
// (a lone surrogate; json-glib swallows the character after it, hence the
// blank), and raw bytes that are not UTF-8 either.
inline constexpr char kLoneSurrogate[] = "\\ud800 ";
inline const std::string kBadBytes = "\xff\xfe\xc3";

// The JSON text with the member at path (names of object members, or
// indices of array elements) set to the JSON value given as text.
std::string with_member(const std::string& json, const std::vector<std::string>& path, const std::string& value);

// JSON values of every type: null, booleans, numbers, a string, arrays and
// objects.  For a member the client reads, every one but those of the right
// type is a wrong type.
const std::vector<std::string>& json_values_of_every_type();

// Every text of the widget tree that reaches the screen: labels, entries
// and the rows of text combo boxes.
std::vector<std::string> shown_texts(GtkWidget* root);
// The same for every top-level window there is.
std::vector<std::string> all_shown_texts();
// The first text that is not UTF-8, or nothing.
std::string first_invalid_utf8(const std::vector<std::string>& texts);

// Every viewer program is a script that only notes that it ran, while this
// lives.
class RecordingViewers : Pinned {
 public:
  RecordingViewers();
  ~RecordingViewers();

  // Waits for a viewer to have run and ended, and forgets it.
  bool started();
  // What the viewer that last ran read from its standard input.
  std::string input() const;

 private:
  std::string ran() const { return dir_ + "/ran"; }
  std::string stdin_record() const { return dir_ + "/stdin"; }
  std::string dir_;
};

// What one action of the user led to.
struct Outcome {
  std::vector<DialogRecord> dialogs;
  std::string printed;
};

// The client signed in to the stand-in with a configuration file in its
// home: at the end of every test the file must be unchanged.
class HostileClient : public ClientFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Signs in (quietly) unless a desktop window is shown.
  void ensure_signed_in();
  // The dialogs that appeared while action ran, and what it printed.
  Outcome run(const std::function<void()>& action);
  // The same, signed in first, with the next request to path answered with
  // reply.
  Outcome run_answered(const std::string& path, const Reply& reply, const std::function<void()>& action);
  // The texts of the desktop window's cards, in order.
  std::vector<std::string> card_texts();

  std::string config_before_;
};

}  // namespace kesta::test
