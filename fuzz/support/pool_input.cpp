#include "support/pool_input.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <initializer_list>
#include <string_view>

#include "base/cipher.h"

namespace kesta::fuzz {

namespace {

constexpr std::size_t kMaxText = 300;

using Words = std::initializer_list<const char*>;

// A text as a parsed reply holds it: UTF-8 without NUL.
std::string reply_text(FuzzedDataProvider& input) {
  std::string raw = input.ConsumeRandomLengthString(kMaxText);
  const GCharPtr valid(g_utf8_make_valid(raw.data(), static_cast<gssize>(raw.size())));
  return valid.get();
}

// A text the client hands over as it is: anything but NUL.
std::string session_text(FuzzedDataProvider& input) {
  std::string text = input.ConsumeRandomLengthString(kMaxText);
  std::erase(text, '\0');
  return text;
}

class PoolBuilder {
 public:
  explicit PoolBuilder(FuzzedDataProvider& input) : input_(input), builder_(take_ref(json_builder_new())) {}

  JsonBuilder* get() const noexcept { return builder_.get(); }

  // Adds the member, or leaves it out; a text is one of words (when given)
  // or any text.
  void member(const char* key, Words words = {}) {
    enum Kind { Absent, Word, Text, SmallInteger, Integer, Real, Boolean, Null, Object, Array, Kinds };
    const int kind = input_.ConsumeIntegralInRange<int>(0, Kinds - 1);
    if (kind == Absent) return;
    json_builder_set_member_name(get(), key);
    switch (kind) {
      case Word:
        if (words.size() > 0) {
          const std::size_t pick = input_.ConsumeIntegralInRange<std::size_t>(0, words.size() - 1);
          json_builder_add_string_value(get(), words.begin()[pick]);
          break;
        }
        [[fallthrough]];
      case Text: json_builder_add_string_value(get(), reply_text(input_).c_str()); break;
      case SmallInteger: json_builder_add_int_value(get(), input_.ConsumeIntegralInRange<gint64>(-2, 70000)); break;
      case Integer: json_builder_add_int_value(get(), input_.ConsumeIntegral<gint64>()); break;
      case Real: json_builder_add_double_value(get(), input_.ConsumeFloatingPoint<double>()); break;
      case Boolean: json_builder_add_boolean_value(get(), input_.ConsumeBool()); break;
      case Null: json_builder_add_null_value(get()); break;
      case Object:
        json_builder_begin_object(get());
        json_builder_end_object(get());
        break;
      default:
        json_builder_begin_array(get());
        json_builder_end_array(get());
        break;
    }
  }

  // A stored password: mostly the cipher text of some password, else
  // anything.
  void password(const char* key) {
    if (input_.ConsumeBool()) return member(key);
    json_builder_set_member_name(get(), key);
    json_builder_add_string_value(get(), encrypt_password(session_text(input_).c_str()).get());
  }

  // A member carrying a JSON object as text: mostly an object built like
  // the pool, else any member.
  template <typename Fill>
  void object_text(const char* key, Fill fill) {
    if (input_.ConsumeBool()) return member(key);
    PoolBuilder inner(input_);
    json_builder_begin_object(inner.get());
    fill(inner);
    json_builder_end_object(inner.get());
    const JsonNodePtr root(json_builder_get_root(inner.get()));
    auto generator = take_ref(json_generator_new());
    json_generator_set_root(generator.get(), root.get());
    const GCharPtr text(json_generator_to_data(generator.get(), nullptr));
    json_builder_set_member_name(get(), key);
    json_builder_add_string_value(get(), text.get());
  }

  // A member holding an object built like the pool, or any member.
  template <typename Fill>
  void object(const char* key, Fill fill) {
    if (input_.ConsumeBool()) return member(key);
    json_builder_set_member_name(get(), key);
    json_builder_begin_object(get());
    fill(*this);
    json_builder_end_object(get());
  }

 private:
  FuzzedDataProvider& input_;
  RefPtr<JsonBuilder> builder_;
};

void fill_resource(PoolBuilder& r) {
  for (const char* key :
       {"usbs", "sounds", "drives", "mic", "clipboard", "printers", "multimon", "serial", "home", "debug"})
    r.member(key);
  r.member("usbfilter", {"-1,-1,-1,-1,1", "0x03,-1,-1,-1,0|-1,-1,-1,-1,1", ""});
}

void fill_display(PoolBuilder& d) {
  d.member("bpp", {"32"});
  d.member("decode", {"444", "420", "400", ""});
  d.member("network", {"auto", "lan", "broadband", ""});
}

void fill_gateway(PoolBuilder& g) {
  g.member("gwtype", {"public", "ad", "none", ""});
  g.member("gwaddr", {"gw.example:443", ""});
  g.member("gwuser", {"gwuser", ""});
  g.password("gwpassword");
}

void fill_pool(PoolBuilder& p) {
  p.member("connecttype", {"freerdp3", "freerdp", "freerdp2", "all", "spice", "blast", "pcoip", ""});
  p.member("rdpport", {"3389"});
  p.member("accounttype", {"all", "user", "ad", "none", ""});
  p.member("accountUser", {"administrator", ""});
  p.password("accountPassword");
  p.member("usegw");
  p.object("gw", fill_gateway);
  p.object_text("resource", fill_resource);
  p.object_text("connectparam", fill_display);
}

void fill_spice_info(PoolBuilder& s) {
  for (const char* key : {"ca", "host", "host-subject", "password", "proxy", "release-cursor", "secure-attention",
                          "title", "toggle-fullscreen"})
    s.member(key, {" x", "\tx", "a\nb", "a\r\nb", "a\\nb", "x ", "[g]", "k=v", ""});
  s.member("tls-port", {"5901"});
}

}  // namespace

PoolInput read_pool_input(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  PoolInput result;
  result.session = {session_text(input), session_text(input), session_text(input)};
  result.vm_id = session_text(input);
  if (input.ConsumeBool()) {
    // The rest as the pool's JSON text, its "spriceInfo" member as the
    // SPICE details.
    result.parsed.emplace(input.ConsumeRemainingBytesAsString(), nullptr);
    result.pool = result.parsed->root_object();
    result.spice_info = object_member(result.pool, "spriceInfo");
    return result;
  }
  PoolBuilder builder(input);
  json_builder_begin_object(builder.get());
  builder.object("pool", fill_pool);
  builder.object("spriceInfo", fill_spice_info);
  json_builder_end_object(builder.get());
  result.built.reset(json_builder_get_root(builder.get()));
  JsonObject* root = json_node_get_object(result.built.get());
  result.pool = object_member(root, "pool");
  result.spice_info = object_member(root, "spriceInfo");
  return result;
}

}  // namespace kesta::fuzz
