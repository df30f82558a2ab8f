#include "run_options.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>

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

// A decimal number with "." as separator and an optional exponent; finite.
std::optional<double> parseDecimal(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == text.size() || !isDigit(text[i])) return std::nullopt;
    while (i < text.size() && isDigit(text[i])) ++i;
  }
  if (i != text.size()) return std::nullopt;
  std::string_view body = text;
  if (body.front() == '+') body.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
  if (ec != std::errc() || end != body.data() + body.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

struct IntegerRange {
  std::int64_t min, max;
};

// The grid's and the population's ranges are the window's.
constexpr IntegerRange rangeOf(const InputParameter& input) {
  return {static_cast<std::int64_t>(input.minimum), static_cast<std::int64_t>(input.maximum)};
}

struct IntegerOption {
  const char* name;
  std::int64_t min, max;
  std::int32_t RunOptions::*field;
};

const IntegerOption kIntegerOptions[] = {
    {"--width", rangeOf(kWidthEditInput).min, rangeOf(kWidthEditInput).max, &RunOptions::width},
    {"--height", rangeOf(kHeightEditInput).min, rangeOf(kHeightEditInput).max, &RunOptions::height},
    {"--population", rangeOf(kPopEditInput).min, rangeOf(kPopEditInput).max,
     &RunOptions::population},
    {"--generations", 0, 100000000, &RunOptions::generations},
    {"--runs", 1, 1000, &RunOptions::runs},
    {"--threads", 1, 1024, &RunOptions::threads},
    {"--every", 1, 100000000, &RunOptions::every},
};

struct FlagOption {
  const char* name;
  bool RunOptions::*field;
  bool value;  // what the flag sets
};

const FlagOption kFlagOptions[] = {
    {"--help", &RunOptions::help, true},        {"--version", &RunOptions::version, true},
    {"--tour", &RunOptions::tour, true},        {"--no-header", &RunOptions::header, false},
    {"--quiet", &RunOptions::quiet, true},
};

struct DecimalOption {
  const char* name;
  double RunOptions::*field;
};

const DecimalOption kDecimalOptions[] = {
    {"--pcross", &RunOptions::pcross},
    {"--pmut", &RunOptions::pmut},
};

std::string integerRule(const IntegerOption& o) {
  return "an integer from " + std::to_string(o.min) + " to " + std::to_string(o.max);
}

const char* const kDecimalRule = "a finite decimal number such as 0.5";
const char* const kEncodingRule = "path or key";
const char* const kLabelRule = "text without commas, double quotes or control characters";

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

}  // namespace

std::string usageText() {
  return "Usage: wendra-run [--encoding path|key] [--width W] [--height H] [--population P]\n"
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
         "Options (a value follows as the next argument or after '='):\n"
         "  --encoding E     path or key                                    (default key)\n"
         "  --width W        grid columns, 4 to 100                         (default 10)\n"
         "  --height H       grid rows, 4 to 100                            (default 10)\n"
         "  --population P   members, 2 to 1000000                          (default 100)\n"
         "  --pcross PC      crossover probability, a decimal number        (default 0.5)\n"
         "  --pmut PM        mutation probability, a decimal number         (default 0.07)\n"
         "  --generations G  steps after each creation, 0 to 100000000      (default 100)\n"
         "  --runs K         creations in a row, one random stream, 1 to 1000 (default 1)\n"
         "  --threads T      worker threads, 1 to 1024; output is the same  (default: all cores)\n"
         "  --tour           add the tours of the generation and overall best\n"
         "  --every N        only the rows of generations that are multiples of N, 1 to\n"
         "                   100000000, and each run's last row             (default 1: all)\n"
         "  --label TEXT     a first column 'label' with TEXT in every row (no commas,\n"
         "                   double quotes or control characters)\n"
         "  --no-header      leave out the header line\n"
         "  --quiet          no progress line\n"
         "  --help           show this text\n"
         "  --version        show the version\n"
         "\n"
         "Exit status: 0 done, 1 the population does not fit in memory, 2 bad arguments.\n";
}

ParsedOptions parseRunOptions(const std::vector<std::string>& args) {
  ParsedOptions result;
  RunOptions& options = result.options;
  auto fail = [&](std::string message) {
    result.error = "wendra-run: " + std::move(message);
    return result;
  };

  for (std::size_t a = 0; a < args.size(); ++a) {
    std::string_view arg = args[a];
    std::string_view name = arg;
    std::optional<std::string_view> inlineValue;
    if (arg.starts_with("--")) {
      if (const auto eq = arg.find('='); eq != std::string_view::npos) {
        name = arg.substr(0, eq);
        inlineValue = arg.substr(eq + 1);
      }
    } else {
      return fail("unexpected argument " + quoted(arg) + " (options start with --; see --help)");
    }

    const FlagOption* flag = nullptr;
    for (const FlagOption& f : kFlagOptions)
      if (name == f.name) flag = &f;
    if (flag) {
      if (inlineValue) return fail(std::string(name) + " takes no value");
      options.*flag->field = flag->value;
      if (options.help || options.version) return result;
      continue;
    }

    // Every other option takes a value.
    auto takeValue = [&](const std::string& rule) -> std::optional<std::string_view> {
      if (inlineValue) return inlineValue;
      if (a + 1 < args.size()) return std::string_view(args[++a]);
      result.error = "wendra-run: " + std::string(name) + " needs a value: " + rule;
      return std::nullopt;
    };

    if (name == "--encoding") {
      auto value = takeValue(kEncodingRule);
      if (!value) return result;
      if (*value == "path")
        options.encoding = EncodingKind::kPath;
      else if (*value == "key")
        options.encoding = EncodingKind::kRandomKey;
      else
        return fail("--encoding must be " + std::string(kEncodingRule) + ", not " + quoted(*value));
      continue;
    }
    if (name == "--label") {
      auto value = takeValue(kLabelRule);
      if (!value) return result;
      if (!isLabel(*value)) return fail("--label must be " + std::string(kLabelRule) + ", not " + quoted(*value));
      options.label = std::string(*value);
      continue;
    }
    bool known = false;
    for (const IntegerOption& o : kIntegerOptions) {
      if (name != o.name) continue;
      known = true;
      auto value = takeValue(integerRule(o));
      if (!value) return result;
      const auto number = parseInteger(*value);
      if (!number || *number < o.min || *number > o.max)
        return fail(std::string(o.name) + " must be " + integerRule(o) + ", not " + quoted(*value));
      options.*o.field = static_cast<std::int32_t>(*number);
    }
    for (const DecimalOption& o : kDecimalOptions) {
      if (name != o.name) continue;
      known = true;
      auto value = takeValue(kDecimalRule);
      if (!value) return result;
      const auto number = parseDecimal(*value);
      if (!number) return fail(std::string(o.name) + " must be " + kDecimalRule + ", not " + quoted(*value));
      options.*o.field = *number;
    }
    if (!known) return fail("unknown option " + quoted(name) + " (see --help)");
  }
  return result;
}

}  // namespace wendra
