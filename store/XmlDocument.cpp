#include "store/XmlDocument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "base/Text.h"
#include "store/TextConverter.h"

namespace tavrick {
namespace {

// Named character references: those of HTML 4.01 plus "apos", sorted by name.
struct NamedReference {
  std::string_view name;
  char32_t code;
};
constexpr NamedReference kNamedReferences[] = {
    {"AElig", 198}, {"Aacute", 193}, {"Acirc", 194}, {"Agrave", 192}, {"Alpha", 913},
    {"Aring", 197}, {"Atilde", 195}, {"Auml", 196}, {"Beta", 914}, {"Ccedil", 199}, {"Chi", 935},
    {"Dagger", 8225}, {"Delta", 916}, {"ETH", 208}, {"Eacute", 201}, {"Ecirc", 202},
    {"Egrave", 200}, {"Epsilon", 917}, {"Eta", 919}, {"Euml", 203}, {"Gamma", 915},
    {"Iacute", 205}, {"Icirc", 206}, {"Igrave", 204}, {"Iota", 921}, {"Iuml", 207},
    {"Kappa", 922}, {"Lambda", 923}, {"Mu", 924}, {"Ntilde", 209}, {"Nu", 925}, {"OElig", 338},
    {"Oacute", 211}, {"Ocirc", 212}, {"Ograve", 210}, {"Omega", 937}, {"Omicron", 927},
    {"Oslash", 216}, {"Otilde", 213}, {"Ouml", 214}, {"Phi", 934}, {"Pi", 928}, {"Prime", 8243},
    {"Psi", 936}, {"Rho", 929}, {"Scaron", 352}, {"Sigma", 931}, {"THORN", 222}, {"Tau", 932},
    {"Theta", 920}, {"Uacute", 218}, {"Ucirc", 219}, {"Ugrave", 217}, {"Upsilon", 933},
    {"Uuml", 220}, {"Xi", 926}, {"Yacute", 221}, {"Yuml", 376}, {"Zeta", 918}, {"aacute", 225},
    {"acirc", 226}, {"acute", 180}, {"aelig", 230}, {"agrave", 224}, {"alefsym", 8501},
    {"alpha", 945}, {"amp", 38}, {"and", 8743}, {"ang", 8736}, {"apos", 39}, {"aring", 229},
    {"asymp", 8776}, {"atilde", 227}, {"auml", 228}, {"bdquo", 8222}, {"beta", 946},
    {"brvbar", 166}, {"bull", 8226}, {"cap", 8745}, {"ccedil", 231}, {"cedil", 184},
    {"cent", 162}, {"chi", 967}, {"circ", 710}, {"clubs", 9827}, {"cong", 8773}, {"copy", 169},
    {"crarr", 8629}, {"cup", 8746}, {"curren", 164}, {"dArr", 8659}, {"dagger", 8224},
    {"darr", 8595}, {"deg", 176}, {"delta", 948}, {"diams", 9830}, {"divide", 247},
    {"eacute", 233}, {"ecirc", 234}, {"egrave", 232}, {"empty", 8709}, {"emsp", 8195},
    {"ensp", 8194}, {"epsilon", 949}, {"equiv", 8801}, {"eta", 951}, {"eth", 240}, {"euml", 235},
    {"euro", 8364}, {"exist", 8707}, {"fnof", 402}, {"forall", 8704}, {"frac12", 189},
    {"frac14", 188}, {"frac34", 190}, {"frasl", 8260}, {"gamma", 947}, {"ge", 8805}, {"gt", 62},
    {"hArr", 8660}, {"harr", 8596}, {"hearts", 9829}, {"hellip", 8230}, {"iacute", 237},
    {"icirc", 238}, {"iexcl", 161}, {"igrave", 236}, {"image", 8465}, {"infin", 8734},
    {"int", 8747}, {"iota", 953}, {"iquest", 191}, {"isin", 8712}, {"iuml", 239}, {"kappa", 954},
    {"lArr", 8656}, {"lambda", 955}, {"lang", 9001}, {"laquo", 171}, {"larr", 8592},
    {"lceil", 8968}, {"ldquo", 8220}, {"le", 8804}, {"lfloor", 8970}, {"lowast", 8727},
    {"loz", 9674}, {"lrm", 8206}, {"lsaquo", 8249}, {"lsquo", 8216}, {"lt", 60}, {"macr", 175},
    {"mdash", 8212}, {"micro", 181}, {"middot", 183}, {"minus", 8722}, {"mu", 956},
    {"nabla", 8711}, {"nbsp", 160}, {"ndash", 8211}, {"ne", 8800}, {"ni", 8715}, {"not", 172},
    {"notin", 8713}, {"nsub", 8836}, {"ntilde", 241}, {"nu", 957}, {"oacute", 243},
    {"ocirc", 244}, {"oelig", 339}, {"ograve", 242}, {"oline", 8254}, {"omega", 969},
    {"omicron", 959}, {"oplus", 8853}, {"or", 8744}, {"ordf", 170}, {"ordm", 186},
    {"oslash", 248}, {"otilde", 245}, {"otimes", 8855}, {"ouml", 246}, {"para", 182},
    {"part", 8706}, {"permil", 8240}, {"perp", 8869}, {"phi", 966}, {"pi", 960}, {"piv", 982},
    {"plusmn", 177}, {"pound", 163}, {"prime", 8242}, {"prod", 8719}, {"prop", 8733},
    {"psi", 968}, {"quot", 34}, {"rArr", 8658}, {"radic", 8730}, {"rang", 9002}, {"raquo", 187},
    {"rarr", 8594}, {"rceil", 8969}, {"rdquo", 8221}, {"real", 8476}, {"reg", 174},
    {"rfloor", 8971}, {"rho", 961}, {"rlm", 8207}, {"rsaquo", 8250}, {"rsquo", 8217},
    {"sbquo", 8218}, {"scaron", 353}, {"sdot", 8901}, {"sect", 167}, {"shy", 173}, {"sigma", 963},
    {"sigmaf", 962}, {"sim", 8764}, {"spades", 9824}, {"sub", 8834}, {"sube", 8838},
    {"sum", 8721}, {"sup", 8835}, {"sup1", 185}, {"sup2", 178}, {"sup3", 179}, {"supe", 8839},
    {"szlig", 223}, {"tau", 964}, {"there4", 8756}, {"theta", 952}, {"thetasym", 977},
    {"thinsp", 8201}, {"thorn", 254}, {"tilde", 732}, {"times", 215}, {"trade", 8482},
    {"uArr", 8657}, {"uacute", 250}, {"uarr", 8593}, {"ucirc", 251}, {"ugrave", 249},
    {"uml", 168}, {"upsih", 978}, {"upsilon", 965}, {"uuml", 252}, {"weierp", 8472}, {"xi", 958},
    {"yacute", 253}, {"yen", 165}, {"yuml", 255}, {"zeta", 950}, {"zwj", 8205}, {"zwnj", 8204},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Characters that end an element name in the text.
bool EndsName(char c) {
  switch (c) {
    case ' ': case '\t': case '\n': case '\r': case '<': case '>': case '=': case '\\':
    case '/': case '?': case '!': case '"': case '\'': case ';':
      return true;
    default:
      return false;
  }
}

// Characters that end an attribute name token.
bool EndsAttributeName(char c) {
  return c == '=' || IsBlank(c) || c == '>' || c == '/' || c == '?';
}

size_t NameRun(std::string_view t, size_t pos) {
  size_t i = pos;
  while (i < t.size() && !EndsName(t[i])) ++i;
  return i - pos;
}

bool NamesEqual(std::string_view a, std::string_view b, bool ignore_case) {
  if (a.size() != b.size()) return false;
  if (!ignore_case) return a == b;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A name fit to be written into a tag: it must not end the name, open a quote or a
// reference, or hold control characters.
bool IsPlainName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || EndsName(c) || c == '&') return false;
  }
  return true;
}

// Where an attribute was found in a tag, or where the scan stopped.
struct AttributeSpot {
  bool found = false;
  bool has_value = false;
  size_t name_end = 0;    // just after the attribute's name
  size_t value_pos = 0;   // the value with its quotes
  size_t value_end = 0;
  size_t inner_pos = 0;   // the value without its quotes
  size_t inner_end = 0;
  size_t stop = 0;        // where the scan ended: the insertion point for a new attribute
};

// Scans the attributes of a tag from `from` (just after the tag's name) up to `limit` (the
// tag's closing ">"), looking for `name`.
AttributeSpot ScanAttributes(std::string_view t, size_t from, size_t limit, std::string_view name,
                             bool ignore_case) {
  AttributeSpot spot;
  limit = std::min(limit, t.size());
  size_t i = std::min(from, limit);
  for (;;) {
    while (i < limit && IsBlank(t[i])) ++i;
    spot.stop = i;
    if (i >= limit) return spot;
    size_t token = i;
    while (i < limit && !EndsAttributeName(t[i])) ++i;
    size_t token_end = i;
    size_t j = i;
    while (j < limit && IsBlank(t[j])) ++j;
    bool has_value = j < limit && t[j] == '=';
    size_t value_pos = token_end, value_end = token_end, inner_pos = token_end,
           inner_end = token_end;
    if (has_value) {
      ++j;
      while (j < limit && IsBlank(t[j])) ++j;
      if (j < limit && (t[j] == '"' || t[j] == '\'')) {
        size_t close = t.find(t[j], j + 1);
        if (close == std::string_view::npos || close >= limit) close = limit;
        value_pos = j;
        inner_pos = j + 1;
        inner_end = close;
        value_end = std::min(close + 1, limit);
      } else {
        size_t k = j;
        while (k < limit && !IsBlank(t[k]) && t[k] != '>') ++k;
        value_pos = inner_pos = j;
        value_end = inner_end = k;
      }
      i = value_end;
    }
    if (token_end > token && NamesEqual(t.substr(token, token_end - token), name, ignore_case)) {
      spot.found = true;
      spot.has_value = has_value;
      spot.name_end = token_end;
      spot.value_pos = value_pos;
      spot.value_end = value_end;
      spot.inner_pos = inner_pos;
      spot.inner_end = inner_end;
      return spot;
    }
    // An empty token at "/", ">" or "?" ends the search.
    if (token_end == token && !has_value) return spot;
  }
}

// Saturating digits of a numeric reference; false when a character is not a digit.
bool ReferenceNumber(std::string_view digits, int base, char32_t& out) {
  if (digits.empty()) return false;
  uint32_t value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    value = value > 0x10FFFFu ? value : value * static_cast<uint32_t>(base) + static_cast<uint32_t>(d);
  }
  out = value;
  return true;
}

// Decodes the reference body (between "&" and ";"); 0 when it is not a reference we know or
// does not name a character.
char32_t DecodeReference(std::string_view body) {
  char32_t cp = 0;
  if (!body.empty() && body[0] == '#') {
    bool ok = (body.size() > 1 && (body[1] == 'x' || body[1] == 'X'))
                  ? ReferenceNumber(body.substr(2), 16, cp)
                  : ReferenceNumber(body.substr(1), 10, cp);
    if (!ok) return 0;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return cp;
  }
  const NamedReference* end = std::end(kNamedReferences);
  const NamedReference* it = std::lower_bound(
      std::begin(kNamedReferences), end, body,
      [](const NamedReference& r, std::string_view n) { return r.name < n; });
  if (it != end && it->name == body) return it->code;
  return 0;
}

std::string CutMessage(const char* message) {
  std::string_view m = message ? message : "";
  size_t eol = m.find_first_of("\r\n");
  if (eol != std::string_view::npos) m = m.substr(0, eol);
  return base::CutUtf16(m, 100);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Tokeniser: one node at a time from a position of the text.

struct XmlDocument::Node {
  enum Type {
    kEnd, kText, kWhitespace, kStartTag, kEndTag, kCData, kProcessing, kComment, kDocType,
    kError
  };
  Type type = kEnd;
  size_t start = 0;
  size_t end = 0;           // one past the node's last character
  bool empty = false;       // start tag ending in "/>"
  const char* error = nullptr;            // result entry name of an error node
  const char* unterminated = nullptr;     // "type" of an unterminated node
  size_t error_offset = 0;
};

class XmlDocument::Tokenizer {
 public:
  explicit Tokenizer(std::string_view text) : t_(text) {}

  Node Next(size_t& pos) const {
    Node node;
    node.start = pos;
    size_t n = t_.size();
    if (pos >= n) {
      node.type = Node::kEnd;
      node.end = n;
      return node;
    }
    if (t_[pos] != '<') {
      size_t lt = t_.find('<', pos);
      if (lt == std::string_view::npos) lt = n;
      node.type = Node::kWhitespace;
      for (size_t i = pos; i < lt; ++i) {
        if (!IsBlank(t_[i])) {
          node.type = Node::kText;
          break;
        }
      }
      node.end = pos = lt;
      return node;
    }
    if (pos + 1 >= n) return Unterminated(node, pos, "tag");
    unsigned char c = static_cast<unsigned char>(t_[pos + 1]);
    if (c == '/') {
      size_t gt = t_.find('>', pos + 2);
      if (gt == std::string_view::npos) return Unterminated(node, pos, "end_tag");
      node.type = Node::kEndTag;
      node.end = pos = gt + 1;
      return node;
    }
    if (c == '?') {
      size_t close = t_.find("?>", pos + 2);
      if (close == std::string_view::npos) return Unterminated(node, pos, "processing_instruction");
      node.type = Node::kProcessing;
      node.end = pos = close + 2;
      return node;
    }
    if (c == '!') return Declaration(node, pos);
    if (c != ':' && c != '_' && (c <= 64 || (c >= 91 && c <= 96))) {
      return Error(node, pos, pos + 1, "first_tag_syntax");
    }
    return StartTag(node, pos);
  }

 private:
  Node Unterminated(Node& node, size_t& pos, const char* type) const {
    node.type = Node::kError;
    node.error = "unterminated_tag_syntax";
    node.unterminated = type;
    node.error_offset = node.start;
    node.end = pos = t_.size();
    return node;
  }

  // An error word: the node runs from its start to the next ">" after the problem.
  Node Error(Node& node, size_t& pos, size_t seen, const char* error) const {
    node.type = Node::kError;
    node.error = error;
    node.error_offset = seen;
    size_t gt = t_.find('>', seen);
    node.end = pos = (gt == std::string_view::npos) ? t_.size() : gt + 1;
    return node;
  }

  Node StartTag(Node& node, size_t& pos) const {
    size_t n = t_.size();
    size_t i = pos + 1;
    bool after_equals = false;
    bool in_unquoted = false;
    while (i < n) {
      char c = t_[i];
      if (c == '>') {
        node.type = Node::kStartTag;
        node.empty = t_[i - 1] == '/' && !in_unquoted;
        node.end = pos = i + 1;
        return node;
      }
      if (in_unquoted) {
        if (IsBlank(c)) in_unquoted = false;
      } else if (after_equals) {
        if (c == '"' || c == '\'') {
          size_t close = t_.find(c, i + 1);
          if (close == std::string_view::npos) break;
          i = close;
          after_equals = false;
        } else if (!IsBlank(c)) {
          in_unquoted = true;
          after_equals = false;
        }
      } else if (c == '=') {
        after_equals = true;
      }
      ++i;
    }
    return Unterminated(node, pos, "start_tag");
  }

  Node Declaration(Node& node, size_t& pos) const {
    size_t n = t_.size();
    if (pos + 2 >= n) return Unterminated(node, pos, "tag");
    char c = t_[pos + 2];
    if (c == '-') {
      if (pos + 3 >= n) return Unterminated(node, pos, "comment");
      if (t_[pos + 3] != '-') return Error(node, pos, pos + 3, "comment_tag_syntax");
      size_t close = t_.find("-->", pos + 4);
      if (close == std::string_view::npos) return Unterminated(node, pos, "comment");
      node.type = Node::kComment;
      node.end = pos = close + 3;
      return node;
    }
    if (c == '[') {
      if (pos + 3 >= n) return Unterminated(node, pos, "cdata_section");
      if (t_[pos + 3] != 'C') return Error(node, pos, pos + 3, "cdata_section_syntax");
      size_t close = t_.find("]]>", pos + 3);
      if (close == std::string_view::npos) return Unterminated(node, pos, "cdata_section");
      node.type = Node::kCData;
      node.end = pos = close + 3;
      return node;
    }
    if (c == 'D') return DocType(node, pos);
    return Error(node, pos, pos + 2, "exclamation_tag_syntax");
  }

  // Ends at the first ">" that does not close one of the "<!" declarations inside it;
  // quoted strings are skipped whole.
  Node DocType(Node& node, size_t& pos) const {
    size_t n = t_.size();
    size_t depth = 0;
    size_t i = pos + 2;
    while (i < n) {
      char c = t_[i];
      if (c == '"' || c == '\'') {
        size_t close = t_.find(c, i + 1);
        if (close == std::string_view::npos) break;
        i = close + 1;
        continue;
      }
      if (c == '<' && i + 1 < n && t_[i + 1] == '!') {
        if (i + 2 >= n) break;
        char k = t_[i + 2];
        if (k != 'E' && k != 'A' && k != 'N') return Error(node, pos, i + 2, "doctype_tag_syntax");
        ++depth;
        i += 3;
        continue;
      }
      if (c == '>') {
        if (depth == 0) {
          node.type = Node::kDocType;
          node.end = pos = i + 1;
          return node;
        }
        --depth;
      }
      ++i;
    }
    return Unterminated(node, pos, "document_type");
  }

  std::string_view t_;
};

// ---------------------------------------------------------------------------------------

XmlDocument::XmlDocument() { ClearIndex(); }

void XmlDocument::ClearIndex() {
  records_.clear();
  records_.emplace_back();
  parent_ = current_ = child_ = node_kind_ = 0;
  memo_byte_ = memo_units_ = 0;
  max_start_ = 0;
}

int32_t XmlDocument::NewRecord() {
  records_.emplace_back();
  return static_cast<int32_t>(records_.size() - 1);
}

size_t XmlDocument::NameLength(size_t pos) const { return NameRun(text_, pos); }

bool XmlDocument::NameEquals(size_t pos, size_t len, std::string_view name) const {
  return NamesEqual(std::string_view(text_).substr(pos, len), name, (flags_ & kFlagIgnoreCase) != 0);
}

void XmlDocument::LinkLastChild(int32_t parent, int32_t child) {
  Record& p = records_[parent];
  Record& c = records_[child];
  c.parent = parent;
  c.next = 0;
  if (p.first_child == 0) {
    p.first_child = child;
    c.flags |= kRecFirstChild;
    c.prev = child;
  } else {
    int32_t first = p.first_child;
    int32_t last = records_[first].prev;
    records_[last].next = child;
    c.prev = last;
    records_[first].prev = child;
  }
}

long long XmlDocument::Utf16Offset(size_t byte_offset) const {
  byte_offset = std::min(byte_offset, text_.size());
  if (byte_offset < memo_byte_) memo_byte_ = memo_units_ = 0;
  memo_units_ += ScanUtf8(std::string_view(text_).substr(memo_byte_, byte_offset - memo_byte_)).utf16_units;
  memo_byte_ = byte_offset;
  return static_cast<long long>(memo_units_);
}

void XmlDocument::AddResult(std::string_view name, std::string_view text_attr,
                            std::string_view text_value, std::string_view number_attr,
                            long long number, long long offset2) {
  if (ResultFull()) return;
  std::string entry = "<";
  entry += name;
  if (!text_attr.empty()) {
    entry += ' ';
    entry += text_attr;
    entry += "=\"";
    entry += EscapeText(text_value, true);
    entry += '"';
  }
  if (!number_attr.empty()) {
    entry += ' ';
    entry += number_attr;
    entry += "=\"" + std::to_string(number) + '"';
  }
  if (offset2 >= 0) entry += " offset2=\"" + std::to_string(offset2) + '"';
  entry += "/>";
  result_ += entry;
  result_units_ += base::Utf16Length(entry);
}

void XmlDocument::AddFileError(int error_code, const char* message) {
  AddResult("file_error", "msg", CutMessage(message ? message : std::strerror(error_code)), "n",
            error_code);
}

// Corrects the encoding of the first "read" entry once the bytes told what they are.
void XmlDocument::SetReadEncoding(std::string_view encoding) {
  size_t at = result_.find("<read ");
  if (at == std::string::npos) return;
  std::string attr = "encoding=\"";
  size_t value = result_.find(attr, at);
  size_t close = result_.find("/>", at);
  std::string escaped = EscapeText(encoding, true);
  if (value != std::string::npos && value < close) {
    value += attr.size();
    size_t quote = result_.find('"', value);
    result_.replace(value, quote - value, escaped);
  } else {
    result_.insert(at + 5, " encoding=\"" + escaped + "\"");
  }
  result_units_ = base::Utf16Length(result_);
}

// ---------------------------------------------------------------------------------------
// Parsing: builds the index over the whole text.

bool XmlDocument::SetText(std::string_view text) {
  text_.assign(text.data(), text.size());
  result_.clear();
  result_units_ = 0;
  return Parse();
}

// Closes every element above stack[keep] as unended. Their children become their following
// siblings under stack[keep]; since each element is re-parented at most once, a run of
// unclosed tags costs time in proportion to the elements, whatever the nesting.
void XmlDocument::CloseUnended(std::vector<int32_t>& stack, size_t keep, size_t offset2) {
  if (stack.size() <= keep + 1) return;
  int32_t target = stack[keep];
  for (size_t i = stack.size(); i-- > keep + 1 && !ResultFull();) {
    const Record& r = records_[stack[i]];
    AddResult("unended_start_tag", "tagname",
              std::string_view(text_).substr(r.start + 1, NameLength(r.start + 1)), "offset",
              Utf16Offset(r.start), Utf16Offset(offset2));
  }
  bool ill_formed = false;
  int32_t tail = 0;
  for (size_t i = keep + 1; i < stack.size(); ++i) {
    int32_t e = stack[i];
    Record& r = records_[e];
    r.flags |= kRecUnended;
    r.length = r.start_tag_len;
    r.end_tag_len = 0;
    r.parent = target;
    if (r.flags & kRecIllFormed) {
      ill_formed = true;
      r.flags &= ~kRecIllFormed;
    }
    int32_t first = r.first_child;
    if (first == 0) {
      tail = e;
      continue;
    }
    int32_t last = records_[first].prev;
    records_[first].flags &= ~kRecFirstChild;
    records_[first].prev = e;
    r.next = first;
    r.first_child = 0;
    for (int32_t c = first; c != 0; c = records_[c].next) records_[c].parent = target;
    tail = last;
  }
  records_[records_[target].first_child].prev = tail;
  if (ill_formed) records_[target].flags |= kRecIllFormed;
  records_[0].flags |= kRecDocIllFormed;
  stack.resize(keep + 1);
}

bool XmlDocument::Parse() {
  ClearIndex();
  const size_t n = text_.size();
  if (n == 0) return false;
  records_.reserve(n / 64 + 8);
  const bool ignore_case = (flags_ & kFlagIgnoreCase) != 0;

  std::vector<int32_t> stack{0};
  // Names of the open elements, kept once the nesting gets deep so that an end tag without a
  // match is known at once instead of after a walk down the whole stack.
  std::unordered_map<std::string, size_t> open_names;
  bool counting = false;
  auto name_key = [&](std::string_view name) {
    std::string key(name);
    if (ignore_case) {
      for (char& c : key) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
  };
  auto element_name = [&](int32_t r) {
    size_t at = records_[r].start + 1;
    return std::string_view(text_).substr(at, NameLength(at));
  };
  auto forget = [&](size_t from) {
    if (!counting) return;
    for (size_t i = from; i < stack.size(); ++i) {
      auto it = open_names.find(name_key(element_name(stack[i])));
      if (it != open_names.end() && --it->second == 0) open_names.erase(it);
    }
  };

  Tokenizer tokenizer(text_);
  size_t pos = 0;
  for (;;) {
    Node node = tokenizer.Next(pos);
    if (node.type == Node::kEnd) break;
    switch (node.type) {
      case Node::kStartTag: {
        int32_t r = NewRecord();
        Record& rec = records_[r];
        rec.start = node.start;
        max_start_ = node.start;  // records are made in text order
        rec.start_tag_len = node.end - node.start;
        rec.length = rec.start_tag_len;
        LinkLastChild(stack.back(), r);
        if (!node.empty) {
          stack.push_back(r);
          if (counting) {
            ++open_names[name_key(element_name(r))];
          } else if (stack.size() > 64) {
            counting = true;
            for (size_t i = 1; i < stack.size(); ++i) ++open_names[name_key(element_name(stack[i]))];
          }
        }
        break;
      }
      case Node::kEndTag: {
        size_t name_at = node.start + 2;
        std::string_view name = std::string_view(text_).substr(name_at, NameLength(name_at));
        size_t match = 0;
        if (!counting || open_names.count(name_key(name)) != 0) {
          for (size_t i = stack.size() - 1; i >= 1; --i) {
            if (NamesEqual(element_name(stack[i]), name, ignore_case)) {
              match = i;
              break;
            }
          }
        }
        if (match == 0) {
          if (!ResultFull()) AddResult("lone_end_tag", "tagname", name, "offset", Utf16Offset(node.start));
          records_[stack.back()].flags |= kRecIllFormed;
          records_[0].flags |= kRecDocIllFormed;
          break;
        }
        forget(match);
        CloseUnended(stack, match, name_at);
        Record& rec = records_[stack.back()];
        rec.length = node.end - rec.start;
        rec.end_tag_len = node.end - node.start;
        stack.pop_back();
        break;
      }
      case Node::kError:
        if (ResultFull()) {
        } else if (node.unterminated) {
          AddResult(node.error, "type", node.unterminated, "offset", Utf16Offset(node.error_offset));
        } else {
          AddResult(node.error, {}, {}, "offset", Utf16Offset(node.error_offset));
        }
        records_[stack.back()].flags |= kRecIllFormed;
        records_[0].flags |= kRecDocIllFormed;
        break;
      default:
        break;
    }
  }
  forget(1);
  CloseUnended(stack, 0, n);

  Record& doc = records_[0];
  doc.start = 0;
  doc.length = n;
  int32_t root = doc.first_child;
  if (root == 0) {
    AddResult("no_root_element");
  } else if (records_[root].next != 0) {
    AddResult("root_has_sibling");
  }
  parent_ = current_ = child_ = node_kind_ = 0;
  return !(records_[0].flags & kRecDocIllFormed) && root != 0 && records_[root].next == 0;
}

// ---------------------------------------------------------------------------------------
// Navigation.

bool XmlDocument::FindElement(std::string_view name) {
  if (flags_ & kFlagWriting) return false;
  size_t cut = name.find_first_of(" =/[]");
  if (cut != std::string_view::npos) name = name.substr(0, cut);
  int32_t r = current_ ? records_[current_].next : records_[parent_].first_child;
  for (; r != 0; r = records_[r].next) {
    size_t at = records_[r].start + 1;
    if (name.empty() || NameEquals(at, NameLength(at), name)) {
      current_ = r;
      parent_ = records_[r].parent;
      child_ = 0;
      node_kind_ = 1;
      return true;
    }
  }
  return false;
}

bool XmlDocument::EnterElement() {
  if (current_ == 0 || node_kind_ != 1) return false;
  parent_ = current_;
  current_ = child_;
  child_ = 0;
  node_kind_ = current_ != 0 ? 1 : 0;
  return true;
}

bool XmlDocument::LeaveElement() {
  if (parent_ == 0) return false;
  child_ = current_;
  current_ = parent_;
  parent_ = records_[parent_].parent;
  node_kind_ = 1;
  return true;
}

std::string XmlDocument::GetTagName() const {
  if (current_ == 0) return {};
  size_t at = records_[current_].start + 1;
  return text_.substr(at, NameLength(at));
}

std::string XmlDocument::GetAttribute(std::string_view name) const {
  if (current_ == 0 || name.empty()) return {};
  const Record& r = records_[current_];
  size_t from = r.start + 1 + NameLength(r.start + 1);
  AttributeSpot spot = ScanAttributes(text_, from, r.start + r.start_tag_len - 1, name,
                                      (flags_ & kFlagIgnoreCase) != 0);
  if (!spot.found) return {};
  return UnescapeText(std::string_view(text_).substr(spot.inner_pos, spot.inner_end - spot.inner_pos));
}

std::string XmlDocument::GetData() const {
  if (current_ == 0) return {};
  const Record& r = records_[current_];
  if (r.end_tag_len == 0 || r.first_child != 0) return {};
  size_t begin = r.start + r.start_tag_len;
  size_t end = r.start + r.length - r.end_tag_len;
  std::string_view inner = std::string_view(text_).substr(begin, end - begin);
  Tokenizer tokenizer(inner);
  std::string data;
  size_t pos = 0;
  for (;;) {
    Node node = tokenizer.Next(pos);
    if (node.type == Node::kEnd) break;
    std::string_view piece = inner.substr(node.start, node.end - node.start);
    if (node.type == Node::kText || node.type == Node::kWhitespace) {
      data += UnescapeText(piece);
    } else if (node.type == Node::kCData) {
      constexpr std::string_view kOpen = "<![CDATA[";
      size_t skip = std::min(kOpen.size(), piece.size() - 3);
      data += piece.substr(skip, piece.size() - 3 - skip);
    }
  }
  return data;
}

// ---------------------------------------------------------------------------------------
// Editing.

// Applies the bookkeeping of a text edit at `pos` that replaced `removed` bytes by `inserted`
// bytes: every element starting at or after it moves, and `grow_from` with all its
// ancestors changes length. Record `skip` (a record just added) is left alone.
void XmlDocument::ShiftAfterEdit(int32_t grow_from, size_t pos, size_t removed, size_t inserted,
                                 int32_t skip) {
  if (max_start_ >= pos) {
    for (size_t i = 1; i < records_.size(); ++i) {
      Record& r = records_[i];
      if (static_cast<int32_t>(i) != skip && r.start >= pos) r.start = r.start - removed + inserted;
    }
    max_start_ = max_start_ - removed + inserted;
  }
  for (int32_t a = grow_from;; a = records_[a].parent) {
    records_[a].length = records_[a].length - removed + inserted;
    if (a == 0) break;
  }
}

bool XmlDocument::SetAttribute(std::string_view name, std::string_view value) {
  if ((flags_ & kFlagReading) || current_ == 0 || !IsPlainName(name)) return false;
  Record& r = records_[current_];
  size_t from = r.start + 1 + NameLength(r.start + 1);
  AttributeSpot spot = ScanAttributes(text_, from, r.start + r.start_tag_len - 1, name,
                                      (flags_ & kFlagIgnoreCase) != 0);
  std::string quoted = "\"" + EscapeText(value, true) + "\"";
  size_t pos, removed;
  std::string insert;
  if (spot.found && spot.has_value) {
    pos = spot.value_pos;
    removed = spot.value_end - spot.value_pos;
    insert = quoted;
  } else if (spot.found) {
    pos = spot.name_end;
    removed = 0;
    insert = "=" + quoted;
  } else {
    pos = spot.stop;
    removed = 0;
    insert = " " + std::string(name) + "=" + quoted;
  }
  text_.replace(pos, removed, insert);
  r.start_tag_len = r.start_tag_len - removed + insert.size();
  ShiftAfterEdit(current_, pos, removed, insert.size(), current_);
  return true;
}

bool XmlDocument::AddElement(std::string_view name) {
  if ((flags_ & kFlagReading) || !IsPlainName(name)) return false;
  const std::string element = "<" + std::string(name) + "/>";
  int32_t parent;
  size_t new_start;
  bool after_current = current_ != 0;
  if (after_current) {
    const Record& c = records_[current_];
    parent = c.parent;
    size_t pos = c.start + c.length;
    size_t w = pos;
    while (w < text_.size() && IsBlank(text_[w])) ++w;
    if (w >= text_.size() || text_[w] == '<') pos = w;
    std::string insert = element + "\r\n";
    text_.insert(pos, insert);
    ShiftAfterEdit(parent, pos, 0, insert.size(), -1);
    new_start = pos;
  } else {
    parent = parent_;
    Record& p = records_[parent];
    if (parent != 0 && p.end_tag_len == 0 && !(p.flags & kRecUnended) && p.start_tag_len >= 3 &&
        text_[p.start + p.start_tag_len - 2] == '/') {
      // "<p/>" becomes "<p>\r\n<name/>\r\n</p>". Every "/" before the ">" goes: with one
      // left ("<p//>") the tag would still read as empty.
      size_t name_len = NameLength(p.start + 1);
      std::string end_tag = "</" + text_.substr(p.start + 1, name_len) + ">";
      size_t gt = p.start + p.start_tag_len - 1;
      size_t slash = gt;
      while (slash > p.start + 1 + name_len && text_[slash - 1] == '/') --slash;
      size_t removed = gt + 1 - slash;
      std::string insert = ">\r\n" + element + "\r\n" + end_tag;
      text_.replace(slash, removed, insert);
      p.start_tag_len = p.start_tag_len - removed + 1;
      p.end_tag_len = end_tag.size();
      ShiftAfterEdit(parent, slash, removed, insert.size(), -1);
      new_start = slash + 3;
    } else if (parent != 0 && p.end_tag_len > 0 && p.length == p.start_tag_len + p.end_tag_len) {
      size_t pos = p.start + p.start_tag_len;
      std::string insert = "\r\n" + element + "\r\n";
      text_.insert(pos, insert);
      ShiftAfterEdit(parent, pos, 0, insert.size(), -1);
      new_start = pos + 2;
    } else {
      size_t pos = parent == 0 ? text_.size() : p.start + p.length - p.end_tag_len;
      std::string insert = element + "\r\n";
      text_.insert(pos, insert);
      ShiftAfterEdit(parent, pos, 0, insert.size(), -1);
      new_start = pos;
    }
  }
  int32_t k = NewRecord();
  Record& nr = records_[k];
  nr.start = new_start;
  max_start_ = std::max(max_start_, new_start);
  nr.length = nr.start_tag_len = element.size();
  if (after_current) {
    int32_t cur = current_;
    nr.parent = parent;
    nr.prev = cur;
    nr.next = records_[cur].next;
    if (nr.next != 0) {
      records_[nr.next].prev = k;
    } else {
      records_[records_[parent].first_child].prev = k;
    }
    records_[cur].next = k;
  } else {
    LinkLastChild(parent, k);
  }
  current_ = k;
  child_ = 0;
  node_kind_ = 1;
  return true;
}

// ---------------------------------------------------------------------------------------
// Escaping.

std::string XmlDocument::EscapeText(std::string_view text, bool escape_quotes) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '&': out += "&amp;"; break;
      case '>': out += "&gt;"; break;
      case '\'': if (escape_quotes) out += "&apos;"; else out += c; break;
      case '"': if (escape_quotes) out += "&quot;"; else out += c; break;
      default: out += c;
    }
  }
  return out;
}

std::string XmlDocument::UnescapeText(std::string_view text) {
  size_t amp = text.find('&');
  if (amp == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (amp != std::string_view::npos) {
    out.append(text.substr(pos, amp - pos));
    pos = amp + 1;
    // A reference: up to 9 characters below code 128, then ";".
    size_t semi = std::string_view::npos;
    for (size_t i = amp + 1; i < text.size() && i <= amp + 10; ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (c == ';') {
        semi = i;
        break;
      }
      if (c >= 128) break;
    }
    char32_t cp = 0;
    if (semi != std::string_view::npos) cp = DecodeReference(text.substr(amp + 1, semi - amp - 1));
    if (cp != 0) {
      base::AppendUtf8(out, cp);
      pos = semi + 1;
    } else {
      out += '&';
    }
    amp = text.find('&', pos);
  }
  out.append(text.substr(pos));
  return out;
}

std::string XmlDocument::DeclaredEncoding(std::string_view text) {
  Tokenizer tokenizer(text);
  size_t pos = 0;
  bool in_html = false;
  for (;;) {
    Node node = tokenizer.Next(pos);
    if (node.type == Node::kEnd) return {};
    if (node.type == Node::kProcessing && node.start == 0) {
      size_t target = NameRun(text, 2);
      if (text.substr(2, target) == "xml") {
        AttributeSpot spot = ScanAttributes(text, 2 + target, node.end - 1, "encoding", false);
        if (!spot.found) return {};
        return std::string(text.substr(spot.inner_pos, spot.inner_end - spot.inner_pos));
      }
      continue;
    }
    if (node.type == Node::kEndTag) {
      size_t len = NameRun(text, node.start + 2);
      if (text.substr(node.start + 2, len) == "head") return {};
      continue;
    }
    if (node.type != Node::kStartTag) continue;
    size_t len = NameRun(text, node.start + 1);
    std::string_view name = text.substr(node.start + 1, len);
    if (!in_html) {
      if (name != "html") return {};
      in_html = true;
      continue;
    }
    if (name != "meta") continue;
    size_t from = node.start + 1 + len;
    AttributeSpot equiv = ScanAttributes(text, from, node.end - 1, "http-equiv", false);
    if (!equiv.found ||
        UnescapeText(text.substr(equiv.inner_pos, equiv.inner_end - equiv.inner_pos)) != "Content-Type") {
      continue;
    }
    AttributeSpot content = ScanAttributes(text, from, node.end - 1, "content", false);
    if (!content.found) return {};
    std::string value = UnescapeText(text.substr(content.inner_pos, content.inner_end - content.inner_pos));
    size_t at = value.find("charset");
    if (at == std::string::npos) return {};
    at += 7;
    while (at < value.size() && IsBlank(value[at])) ++at;
    if (at >= value.size() || value[at] != '=') return {};
    ++at;
    while (at < value.size() && IsBlank(value[at])) ++at;
    size_t end = at;
    while (end < value.size() && !IsBlank(value[end]) && value[end] != ';' && value[end] != '"' &&
           value[end] != '\'') {
      ++end;
    }
    return value.substr(at, end - at);
  }
}

// ---------------------------------------------------------------------------------------
// Files.

namespace {

constexpr uint32_t kFileModeFlags =
    XmlDocument::kFlagReading | XmlDocument::kFlagWriting | XmlDocument::kFlagAppend;

bool IsUtf16CodePage(int code_page) {
  return code_page == kCodePageUtf16LE || code_page == kCodePageUtf16BE;
}

bool IsWideCodePage(int code_page) {
  return IsUtf16CodePage(code_page) || code_page == kCodePageUtf32 || code_page == 12000 ||
         code_page == 12001;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// A name for the temporary file beside the target that nobody else is likely to pick.
std::string TemporaryName(const std::string& target, int attempt) {
  // Documents on different threads may save at the same time.
  static std::atomic<unsigned> counter{0};
  auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  char suffix[64];
  std::snprintf(suffix, sizeof(suffix), ".%d.%u.%llx.%d.tmp", static_cast<int>(::getpid()),
                ++counter, static_cast<unsigned long long>(ticks) & 0xFFFFFFull, attempt);
  return target + suffix;
}

}  // namespace

bool XmlDocument::LoadFile(const std::string& path) {
  if (flags_ & (kFlagReading | kFlagWriting)) return false;
  text_.clear();
  result_.clear();
  result_units_ = 0;
  ClearIndex();
  uint32_t file_flags = flags_ | kFlagReading;
  flags_ = file_flags;
  auto finish = [&](bool parse) {
    flags_ = file_flags & ~kFileModeFlags;
    if (!parse) {
      text_.clear();
      ClearIndex();
      return false;
    }
    return Parse();
  };

  FILE* file = std::fopen(path.c_str(), "rbe");
  if (file == nullptr) {
    AddFileError(errno);
    return finish(false);
  }
  // Read the whole file, refusing more than kMaxFileSize bytes: a regular file by its size,
  // anything else (a pipe, a device) once it has delivered that much.
  struct stat st {};
  if (::fstat(::fileno(file), &st) == 0 && S_ISREG(st.st_mode) &&
      static_cast<unsigned long long>(st.st_size) > kMaxFileSize) {
    AddFileError(EFBIG, "file larger than 16 MiB");
    std::fclose(file);
    return finish(false);
  }
  std::string bytes;
  if (S_ISREG(st.st_mode) && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  bool read_ok = true;
  char chunk[65536];
  for (;;) {
    size_t got = std::fread(chunk, 1, sizeof(chunk), file);
    bytes.append(chunk, got);
    if (bytes.size() > kMaxFileSize) {
      AddFileError(EFBIG, "file larger than 16 MiB");
      std::fclose(file);
      return finish(false);
    }
    if (got < sizeof(chunk)) {
      if (std::ferror(file)) {
        AddFileError(errno);
        read_ok = false;
      }
      break;
    }
  }

  // The encoding: a byte-order mark, else what the first block declares.
  file_flags &= ~(kFlagUtf16LE | kFlagUtf8Mark | kFlagUtf16BE);
  std::string encoding;
  size_t mark = 0;
  size_t char_size = 1;
  if (read_ok && !bytes.empty()) {
    auto starts = [&](std::string_view m) { return std::string_view(bytes).substr(0, m.size()) == m; };
    if (starts("\xEF\xBB\xBF")) {
      file_flags |= kFlagUtf8Mark;
      encoding = "UTF-8";
      mark = 3;
    } else if (starts("\xFF\xFE")) {
      file_flags |= kFlagUtf16LE;
      encoding = "UTF-16LE";
      mark = 2;
      char_size = 2;
    } else if (starts("\xFE\xFF")) {
      file_flags |= kFlagUtf16BE;
      encoding = "UTF-16BE";
      mark = 2;
      char_size = 2;
    }
    if (mark != 0) {
      AddResult("bom");
    } else {
      std::string_view block = std::string_view(bytes).substr(0, 1024);
      encoding = DeclaredEncoding(block);
      if (encoding.empty() && block[0] == '<') encoding = "UTF-8";
    }
  }

  if (read_ok) {
    std::string_view body = std::string_view(bytes).substr(mark);
    AddResult("read", encoding.empty() ? std::string_view{} : std::string_view("encoding"), encoding,
              "length", static_cast<long long>(body.size() / char_size));
    if (char_size == 2) {
      // A trailing odd byte is not a character and is dropped with the rest of the reading.
      bool big_endian = (file_flags & kFlagUtf16BE) != 0;
      std::u16string units;
      units.reserve(body.size() / 2);
      size_t nulls = 0;
      for (size_t i = 0; i + 1 < body.size(); i += 2) {
        auto b0 = static_cast<unsigned char>(body[i]);
        auto b1 = static_cast<unsigned char>(body[i + 1]);
        char16_t unit = big_endian ? static_cast<char16_t>((b0 << 8) | b1)
                                   : static_cast<char16_t>((b1 << 8) | b0);
        if (unit == 0) {
          ++nulls;
          continue;
        }
        units.push_back(unit);
      }
      if (nulls != 0) AddResult("nulls_removed", {}, {}, "count", static_cast<long long>(nulls));
      if (big_endian) AddResult("endian_swap");
      text_ = base::Utf16ToUtf8(units);
    } else {
      std::string_view narrow = body;
      std::string without_nulls;
      if (body.find('\0') != std::string_view::npos) {
        without_nulls.reserve(body.size());
        for (char c : body) {
          if (c != '\0') without_nulls += c;
        }
        AddResult("nulls_removed", {}, {}, "count",
                  static_cast<long long>(body.size() - without_nulls.size()));
        narrow = without_nulls;
      }
      Utf8Scan scan = ScanUtf8(narrow);
      if (encoding.empty()) {
        if (scan.valid) {
          encoding = "UTF-8";
          SetReadEncoding(encoding);
        }
        AddResult("utf8_detection");
      }
      // After the zero bytes are gone the bytes cannot be UTF-16 or UTF-32 any more, whatever
      // the text declares; such a declaration is read as UTF-8.
      int code_page = CodePageFromName(encoding);
      if (IsWideCodePage(code_page)) code_page = kCodePageUtf8;
      if (code_page == kCodePageUtf8 && scan.valid) {
        text_.assign(narrow.data(), narrow.size());
      } else {
        text_ = DecodeToUtf8(narrow, code_page == kCodePageUtf8 ? "UTF-8" : encoding);
        scan = ScanUtf8(text_);
      }
      AddResult("converted_to", "encoding", "UTF-16", "length",
                static_cast<long long>(scan.utf16_units));
    }
  }
  if (std::fclose(file) != 0) AddFileError(errno);
  return finish(read_ok);
}

bool XmlDocument::SaveFile(const std::string& path) {
  uint32_t file_flags = flags_ | kFlagWriting;
  flags_ = file_flags;
  const bool append = (file_flags & kFlagAppend) != 0;
  auto finish = [&](bool ok) {
    flags_ = file_flags & ~kFileModeFlags;
    return ok;
  };

  // Replacing a file goes through a temporary file in the same folder, renamed over the
  // target once it is complete, so that a failed write never destroys the old file. A
  // symbolic link is followed, so the file it names is replaced and the link stays.
  std::string target = path;
  struct stat link_st {};
  if (!append && ::lstat(path.c_str(), &link_st) == 0 && S_ISLNK(link_st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  std::string temporary;
  int fd = -1;
  if (append) {
    fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  } else {
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
      temporary = TemporaryName(target, attempt);
      fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0 && errno != EEXIST) break;
    }
  }
  if (fd < 0) {
    AddFileError(errno);
    return finish(false);
  }
  struct stat st {};
  bool at_start = true;
  if (append) {
    at_start = ::fstat(fd, &st) == 0 && st.st_size == 0;
  } else if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    // The new file keeps the permissions of the one it replaces.
    ::fchmod(fd, st.st_mode & 07777);
  }

  std::string out;
  std::string encoding;
  if (file_flags & (kFlagUtf8Mark | kFlagUtf16LE | kFlagUtf16BE)) {
    if (file_flags & kFlagUtf8Mark) {
      encoding = "UTF-8";
      if (at_start) out = "\xEF\xBB\xBF";
    } else if (file_flags & kFlagUtf16LE) {
      encoding = "UTF-16LE";
      if (at_start) out = "\xFF\xFE";
    } else {
      encoding = "UTF-16BE";
      if (at_start) out = "\xFE\xFF";
    }
    if (at_start) AddResult("bom");
  } else {
    encoding = DeclaredEncoding(text_);
    if (encoding.empty()) encoding = "UTF-8";
    // A text that declares UTF-16 is written with the mark: without one, loading takes the
    // file for 8-bit text and only ASCII would come back.
    int code_page = CodePageFromName(encoding);
    if (IsUtf16CodePage(code_page) && at_start) {
      out = code_page == kCodePageUtf16BE ? "\xFE\xFF" : "\xFF\xFE";
      AddResult("bom");
    }
  }

  size_t characters = 0;
  if (!text_.empty()) {
    int code_page = CodePageFromName(encoding);
    if (IsUtf16CodePage(code_page)) {
      bool big_endian = code_page == kCodePageUtf16BE;
      std::u16string units = base::Utf8ToUtf16(text_);
      out.reserve(out.size() + units.size() * 2);
      for (char16_t u : units) {
        char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += big_endian ? hi : lo;
        out += big_endian ? lo : hi;
      }
      if (big_endian) AddResult("endian_swap");
      characters = units.size();
    } else {
      AddResult("converted_from", "encoding", "UTF-16", "length",
                static_cast<long long>(ScanUtf8(text_).utf16_units));
      bool lost = false;
      std::string bytes = EncodeFromUtf8(text_, encoding, &lost);
      if (lost) AddResult("conversion_loss");
      characters = bytes.size() / (IsWideCodePage(code_page) ? 4 : 1);
      out += bytes;
    }
  }
  bool ok = WriteAll(fd, out);
  if (ok && !append && ::fsync(fd) != 0) ok = false;
  if (!ok) {
    AddFileError(errno);
  } else {
    AddResult("write", "encoding", encoding, "length", static_cast<long long>(characters));
  }
  if (::close(fd) != 0) AddFileError(errno);
  if (!append) {
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
      AddFileError(errno);
      ok = false;
    }
    if (!ok) ::unlink(temporary.c_str());
  }
  return finish(ok);
}

}  // namespace tavrick
