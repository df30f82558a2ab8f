#include "run_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace wendra {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// An optional sign and decimal digits, nothing else; nullopt when malformed
// or beyond 64 bits (which every range below rejects anyway).
std::optional<std::int64_t> parseInteger(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (!isDigit(text[i])) return std::nullopt;
    if (value > (std::numeric_limits<std::int64_t>::max() - 9) / 10) return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

// The end of a run of decimal digits from `i`, and how many there were.
std::size_t skipDigits(std::string_view text, std::size_t i, std::size_t& count) {
  while (i < text.size() && isDigit(text[i])) ++i, ++count;
  return i;
}

// Whether `text` is a decimal number with "." as separator and an optional
// exponent: [sign] digits [. digits] [e [sign] digits], one digit at least
// in the mantissa and in the exponent.
bool isDecimalSyntax(std::string_view text) {
  std::size_t i = 0, digits = 0, exponentDigits = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  i = skipDigits(text, i, digits);
  if (i < text.size() && text[i] == '.') i = skipDigits(text, i + 1, digits);
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    if (++i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    i = skipDigits(text, i, exponentDigits);
    if (exponentDigits == 0) return false;
  }
  return i == text.size();
}

// A decimal number as above whose value is finite.
std::optional<double> parseDecimal(std::string_view text) {
  if (!isDecimalSyntax(text)) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

// A label goes into every row as a column of its own, unquoted: it must not
// split the row or need quoting.
bool isLabel(std::string_view text) {
  for (char c : text)
    if (c == ',' || c == '"' || static_cast<unsigned char>(c) < 32 || c == 127) return false;
  return true;
}

std::string quoted(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 32 || c == 127)
      out += '?';
    else
      out += c;
  }
  return out + "'";
}

// ---------------------------------------------------------------------------
// The options: one row each, read by the parser and written out by --help.

enum class Kind { kFlag, kInteger, kDecimal, kEncoding, kLabel };

struct Option {
  const char* name;
  Kind kind;
  const char* placeholder;  // the value's name in the usage text; "" for a flag
  // What the option allows, in the usage text; "{range}" stands for
  // "min to max" of an integer option.
  const char* help;
  // How the usage text shows the default: "" for none, "=" for the value
  // RunOptions starts with, anything else as it stands.
  const char* defaultText = "";
  std::int32_t RunOptions::*integer = nullptr;
  std::int64_t min = 0, max = 0;
  double RunOptions::*decimal = nullptr;
  bool RunOptions::*flag = nullptr;
  bool flagValue = true;  // what the flag sets
};

// The grid's and the population's ranges are the window's.
constexpr std::int64_t lowest(const InputParameter& input) { return static_cast<std::int64_t>(input.minimum); }
constexpr std::int64_t highest(const InputParameter& input) { return static_cast<std::int64_t>(input.maximum); }

const Option kOptions[] = {
    {.name = "--encoding", .kind = Kind::kEncoding, .placeholder = "E", .help = "path or key",
     .defaultText = "(default key)"},
    {.name = "--width", .kind = Kind::kInteger, .placeholder = "W", .help = "grid columns, {range}",
     .defaultText = "=", .integer = &RunOptions::width, .min = lowest(kWidthEditInput),
     .max = highest(kWidthEditInput)},
    {.name = "--height", .kind = Kind::kInteger, .placeholder = "H", .help = "grid rows, {range}",
     .defaultText = "=", .integer = &RunOptions::height, .min = lowest(kHeightEditInput),
     .max = highest(kHeightEditInput)},
    {.name = "--population", .kind = Kind::kInteger, .placeholder = "P", .help = "members, {range}",
     .defaultText = "=", .integer = &RunOptions::population, .min = lowest(kPopEditInput),
     .max = highest(kPopEditInput)},
    {.name = "--pcross", .kind = Kind::kDecimal, .placeholder = "PC",
     .help = "crossover probability, a decimal number", .defaultText = "=", .decimal = &RunOptions::pcross},
    {.name = "--pmut", .kind = Kind::kDecimal, .placeholder = "PM",
     .help = "mutation probability, a decimal number", .defaultText = "=", .decimal = &RunOptions::pmut},
    {.name = "--generations", .kind = Kind::kInteger, .placeholder = "G",
     .help = "steps after each creation, {range}", .defaultText = "=", .integer = &RunOptions::generations,
     .min = 0, .max = 100000000},
    {.name = "--runs", .kind = Kind::kInteger, .placeholder = "K",
     .help = "creations in a row, one random stream, {range}", .defaultText = "=",
     .integer = &RunOptions::runs, .min = 1, .max = 1000},
    {.name = "--threads", .kind = Kind::kInteger, .placeholder = "T",
     .help = "worker threads, {range}; output is the same", .defaultText = "(default: all cores)",
     .integer = &RunOptions::threads, .min = 1, .max = 1024},
    {.name = "--tour", .kind = Kind::kFlag, .placeholder = "",
     .help = "add the tours of the generation and overall best", .flag = &RunOptions::tour},
    {.name = "--every", .kind = Kind::kInteger, .placeholder = "N",
     .help = "only the rows of generations that are multiples of N, {range}, and each run's last row",
     .defaultText = "(default 1: all)", .integer = &RunOptions::every, .min = 1, .max = 100000000},
    {.name = "--label", .kind = Kind::kLabel, .placeholder = "TEXT",
     .help = "a first column 'label' with TEXT in every row (no commas, double quotes or control "
             "characters)"},
    {.name = "--no-header", .kind = Kind::kFlag, .placeholder = "", .help = "leave out the header line",
     .flag = &RunOptions::header, .flagValue = false},
    {.name = "--quiet", .kind = Kind::kFlag, .placeholder = "", .help = "no progress line",
     .flag = &RunOptions::quiet},
    {.name = "--help", .kind = Kind::kFlag, .placeholder = "", .help = "show this text", .flag = &RunOptions::help},
    {.name = "--version", .kind = Kind::kFlag, .placeholder = "", .help = "show the version",
     .flag = &RunOptions::version},
};

const Option* findOption(std::string_view name) {
  for (const Option& option : kOptions)
    if (name == option.name) return &option;
  return nullptr;
}

std::string rangeOf(const Option& o) { return std::to_string(o.min) + " to " + std::to_string(o.max); }

// What a value of the option must be, for its error messages.
std::string ruleOf(const Option& o) {
  switch (o.kind) {
    case Kind::kInteger: return "an integer from " + rangeOf(o);
    case Kind::kDecimal: return "a finite decimal number such as 0.5";
    case Kind::kEncoding: return "path or key";
    case Kind::kLabel: return "text without commas, double quotes or control characters";
    case Kind::kFlag: break;
  }
  return {};
}

// Stores the value of an option that takes one; false when it is not allowed.
bool readValue(const Option& o, std::string_view value, RunOptions& options) {
  switch (o.kind) {
    case Kind::kInteger: {
      const auto number = parseInteger(value);
      if (!number || *number < o.min || *number > o.max) return false;
      options.*o.integer = static_cast<std::int32_t>(*number);
      return true;
    }
    case Kind::kDecimal: {
      const auto number = parseDecimal(value);
      if (number) options.*o.decimal = *number;
      return number.has_value();
    }
    case Kind::kEncoding:
      if (value != "path" && value != "key") return false;
      options.encoding = value == "path" ? EncodingKind::kPath : EncodingKind::kRandomKey;
      return true;
    case Kind::kLabel:
      if (!isLabel(value)) return false;
      options.label = std::string(value);
      return true;
    case Kind::kFlag: break;
  }
  return false;
}

// ---------------------------------------------------------------------------
// The usage text

constexpr std::size_t kHelpColumn = 19;     // where an option's description starts
constexpr std::size_t kDefaultColumn = 66;  // where "(default ...)" starts, if the line leaves room
constexpr std::size_t kLineWidth = 80;      // no description line goes beyond this

// The shortest decimal form of a double: 0.5, 0.07.
std::string shortest(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string defaultOf(const Option& o) {
  if (std::string_view(o.defaultText) != "=") return o.defaultText;
  const RunOptions start;
  const std::string value = o.kind == Kind::kDecimal ? shortest(start.*o.decimal) : std::to_string(start.*o.integer);
  return "(default " + value + ")";
}

std::string helpOf(const Option& o) {
  std::string help = o.help;
  if (const auto at = help.find("{range}"); at != std::string::npos) help.replace(at, 7, rangeOf(o));
  return help;
}

std::vector<std::string> wordsOf(const std::string& text) {
  std::vector<std::string> words;
  for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
    end = std::min(text.find(' ', start), text.size());
    words.push_back(text.substr(start, end - start));
  }
  return words;
}

// One option's lines: its name and placeholder, its description wrapped
// before kLineWidth under kHelpColumn, and its default after the last line.
std::string usageLines(const Option& o) {
  std::string out;
  std::string line = "  " + std::string(o.name) + (*o.placeholder ? " " : "") + o.placeholder;
  line.resize(kHelpColumn, ' ');
  bool lineHasWords = false;
  for (const std::string& word : wordsOf(helpOf(o))) {
    if (lineHasWords && line.size() + 1 + word.size() > kLineWidth) {
      out += line + '\n';
      line.assign(kHelpColumn, ' ');
      lineHasWords = false;
    }
    if (lineHasWords) line += ' ';
    line += word;
    lineHasWords = true;
  }
  if (const std::string byDefault = defaultOf(o); !byDefault.empty()) {
    line.resize(std::max(line.size() + 1, kDefaultColumn), ' ');
    line += byDefault;
  }
  return out + line + '\n';
}

}  // namespace

std::string usageText() {
  std::string text =
      "Usage: wendra-run [--encoding path|key] [--width W] [--height H] [--population P]\n"
      "                  [--pcross PC] [--pmut PM] [--generations G] [--runs K]\n"
      "                  [--threads T] [--tour] [--every N] [--label TEXT] [--no-header]\n"
      "                  [--quiet]\n"
      "\n"
      "Runs the genetic algorithm of wendra1 (--encoding path) or wendra3 (--encoding key)\n"
      "without a window and prints one CSV row after each creation and after every step:\n"
      "  run,generation,average,best,overall_best,overall_best_generation\n"
      "(--tour adds best_tour,overall_best_tour, the cities joined by ';').\n"
      "On a terminal, stderr shows a progress line while it runs.\n"
      "\n"
      "Options (a value follows as the next argument or after '='):\n";
  for (const Option& option : kOptions) text += usageLines(option);
  return text + "\nExit status: 0 done, 1 the population does not fit in memory, 2 bad arguments.\n";
}

ParsedOptions parseRunOptions(const std::vector<std::string>& args) {
  ParsedOptions result;
  auto fail = [&](std::string message) {
    result.error = "wendra-run: " + std::move(message);
    return result;
  };
  for (std::size_t a = 0; a < args.size(); ++a) {
    const std::string_view arg = args[a];
    if (!arg.starts_with("--"))
      return fail("unexpected argument " + quoted(arg) + " (options start with --; see --help)");
    // A value follows after "=" or as the next argument.
    const std::size_t equals = arg.find('=');
    const std::string name(arg.substr(0, equals));
    std::optional<std::string_view> value;
    if (equals != std::string_view::npos) value = arg.substr(equals + 1);

    const Option* option = findOption(name);
    if (option == nullptr) return fail("unknown option " + quoted(name) + " (see --help)");
    if (option->kind == Kind::kFlag) {
      if (value) return fail(name + " takes no value");
      result.options.*option->flag = option->flagValue;
      if (result.options.help || result.options.version) return result;
      continue;
    }
    if (!value && a + 1 < args.size()) value = args[++a];
    if (!value) return fail(name + " needs a value: " + ruleOf(*option));
    if (!readValue(*option, *value, result.options))
      return fail(name + " must be " + ruleOf(*option) + ", not " + quoted(*value));
  }
  return result;
}

}  // namespace wendra
