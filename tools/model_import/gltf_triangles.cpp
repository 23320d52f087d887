#include "tools/model_import/gltf_triangles.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace orv {
namespace {

struct JsonMember;

struct Json {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::vector<JsonMember> members;

  const Json* Member(std::string_view name) const;
};

struct JsonMember {
  std::string key;
  Json value;
};

const Json* Json::Member(std::string_view name) const {
  for (const JsonMember& member : members)
    if (member.key == name) return &member.value;
  return nullptr;
}

// A JSON reader that keeps only the parts of the document the count needs:
// at the top level, members other than `kept` are checked and skipped, so a
// large embedded buffer or animation costs no memory. Nesting is bounded.
class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : s_(text) {}

  bool Document(Json& out) {
    if (!Value(&out, 0)) return false;
    Space();
    return at_ == s_.size();
  }

 private:
  static constexpr int kMaxDepth = 64;

  static bool Kept(std::string_view key) { return key == "asset" || key == "meshes" || key == "accessors"; }

  bool More() const { return at_ < s_.size(); }
  char Peek() const { return s_[at_]; }
  void Space() {
    while (More() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++at_;
  }
  bool Literal(std::string_view word) {
    if (s_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  // Reads one value into `out`, or only checks it when `out` is null.
  bool Value(Json* out, int depth) {
    if (depth > kMaxDepth) return false;
    Space();
    if (!More()) return false;
    Json skipped;
    Json& v = out ? *out : skipped;
    switch (Peek()) {
      case '{': return Object(out, v, depth);
      case '[': return Array(out, v, depth);
      case '"': v.kind = Json::kString; return String(out ? &v.text : nullptr);
      case 't': v.kind = Json::kBool; v.number = 1; return Literal("true");
      case 'f': v.kind = Json::kBool; return Literal("false");
      case 'n': return Literal("null");
      default: return Number(v);
    }
  }

  bool Object(const Json* out, Json& v, int depth) {
    v.kind = Json::kObject;
    ++at_;
    Space();
    if (More() && Peek() == '}') return ++at_, true;
    while (true) {
      Space();
      if (!More() || Peek() != '"') return false;
      std::string key;
      if (!String(&key)) return false;
      Space();
      if (!More() || Peek() != ':') return false;
      ++at_;
      Json* target = nullptr;
      if (out && (depth > 0 || Kept(key))) {
        v.members.push_back(JsonMember{std::move(key), Json{}});
        target = &v.members.back().value;
      }
      if (!Value(target, depth + 1)) return false;
      Space();
      if (More() && Peek() == ',') {
        ++at_;
        continue;
      }
      if (More() && Peek() == '}') return ++at_, true;
      return false;
    }
  }

  bool Array(const Json* out, Json& v, int depth) {
    v.kind = Json::kArray;
    ++at_;
    Space();
    if (More() && Peek() == ']') return ++at_, true;
    while (true) {
      Json* target = nullptr;
      if (out) target = &v.items.emplace_back();
      if (!Value(target, depth + 1)) return false;
      Space();
      if (More() && Peek() == ',') {
        ++at_;
        continue;
      }
      if (More() && Peek() == ']') return ++at_, true;
      return false;
    }
  }

  // A quoted string; escapes are checked, and \u escapes kept as "?" (only
  // plain names are ever compared).
  bool String(std::string* out) {
    ++at_;
    while (More()) {
      const char c = s_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        if (out) *out += c;
        continue;
      }
      if (!More()) return false;
      char e = s_[at_++];
      switch (e) {
        case '"': case '\\': case '/': break;
        case 'b': e = '\b'; break;
        case 'f': e = '\f'; break;
        case 'n': e = '\n'; break;
        case 'r': e = '\r'; break;
        case 't': e = '\t'; break;
        case 'u':
          for (int i = 0; i < 4; ++i, ++at_) {
            if (!More()) return false;
            const char h = Peek();
            if (!((h >= '0' && h <= '9') || (h >= 'a' && h <= 'f') || (h >= 'A' && h <= 'F'))) return false;
          }
          e = '?';
          break;
        default: return false;
      }
      if (out) *out += e;
    }
    return false;
  }

  bool Number(Json& v) {
    const size_t start = at_;
    while (More() && ((Peek() >= '0' && Peek() <= '9') || Peek() == '-' || Peek() == '+' || Peek() == '.' ||
                      Peek() == 'e' || Peek() == 'E'))
      ++at_;
    if (at_ == start) return false;
    const auto [end, error] = std::from_chars(s_.data() + start, s_.data() + at_, v.number);
    v.kind = Json::kNumber;
    return error == std::errc() && end == s_.data() + at_;
  }

  std::string_view s_;
  size_t at_ = 0;
};

uint32_t Le32(std::string_view bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

// A whole number in 0..limit-1 (limit at most 2^53), else -1.
int64_t WholeNumber(const Json* v, double limit) {
  if (!v || v->kind != Json::kNumber || !(v->number >= 0) || !(v->number < limit) ||
      v->number != std::floor(v->number))
    return -1;
  return static_cast<int64_t>(v->number);
}

}  // namespace

int64_t GltfTriangleCount(std::string_view file) {
  std::string_view json = file;
  // A .glb: a 12-byte header, then the JSON chunk (length, type, bytes).
  if (file.substr(0, 4) == "glTF") {
    if (file.size() < 20 || Le32(file, 16) != 0x4E4F534Au) return -1;
    const uint32_t length = Le32(file, 12);
    if (length > file.size() - 20) return -1;
    json = file.substr(20, length);
  }
  Json root;
  if (!JsonReader(json).Document(root) || root.kind != Json::kObject) return -1;
  const Json* asset = root.Member("asset");
  const Json* version = asset ? asset->Member("version") : nullptr;
  if (!version || version->kind != Json::kString || version->text.rfind("2", 0) != 0) return -1;

  const Json* meshes = root.Member("meshes");
  if (!meshes) return 0;
  const Json* accessors = root.Member("accessors");
  if (meshes->kind != Json::kArray || (accessors && accessors->kind != Json::kArray)) return -1;
  const double accessorCount = accessors ? static_cast<double>(accessors->items.size()) : 0;
  constexpr double kLargest = 9007199254740992.0;  // 2^53: every count below is exact
  int64_t total = 0;
  for (const Json& mesh : meshes->items) {
    const Json* primitives = mesh.Member("primitives");
    if (!primitives || primitives->kind != Json::kArray) return -1;
    for (const Json& primitive : primitives->items) {
      const Json* modeValue = primitive.Member("mode");
      const int64_t mode = modeValue ? WholeNumber(modeValue, 7) : 4;
      if (mode < 0) return -1;
      if (mode < 4) continue;  // points and lines
      // Indexed: the index count; else the vertex count.
      const Json* reference = primitive.Member("indices");
      if (!reference) {
        const Json* attributes = primitive.Member("attributes");
        reference = attributes ? attributes->Member("POSITION") : nullptr;
      }
      const int64_t accessor = WholeNumber(reference, accessorCount);
      if (accessor < 0) return -1;
      const int64_t count = WholeNumber(accessors->items[static_cast<size_t>(accessor)].Member("count"), kLargest);
      if (count < 0) return -1;
      // A list takes three indices a triangle; a strip or a fan one more
      // after the first two.
      total += mode == 4 ? count / 3 : count >= 3 ? count - 2 : 0;
      if (total >= static_cast<int64_t>(kLargest)) return -1;
    }
  }
  return total;
}

}  // namespace orv
