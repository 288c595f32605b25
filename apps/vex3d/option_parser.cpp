#include "option_parser.h"

#include <algorithm>
#include <utility>

namespace vex3d::cli {

OptionParser::OptionParser(std::string command, std::string operands, std::size_t minOperands,
                           std::size_t maxOperands)
    : m_command(std::move(command)),
      m_operandText(std::move(operands)),
      m_minOperands(minOperands),
      m_maxOperands(maxOperands) {}

OptionParser& OptionParser::flag(const std::string& name, char shortName, const std::string& help,
                                 Action action) {
  m_options.push_back({name, shortName, {}, help, std::move(action), {}});
  return *this;
}

OptionParser& OptionParser::flag(const std::string& name, char shortName, const std::string& help,
                                 bool& target) {
  return flag(name, shortName, help, [&target] { target = true; });
}

OptionParser& OptionParser::value(const std::string& name, char shortName,
                                  const std::string& valueName, const std::string& help,
                                  Setter set) {
  m_options.push_back({name, shortName, valueName, help, {}, std::move(set)});
  return *this;
}

const OptionParser::Option* OptionParser::find(const std::string& word) const {
  const bool isShort = word.size() == 2 && word[0] == '-' && word[1] != '-';
  for (const Option& o : m_options) {
    if (isShort ? o.shortName == word[1] : word == "--" + o.name) return &o;
  }
  return nullptr;
}

OptionParser::Result OptionParser::fail(const std::string& reason) const {
  std::fprintf(stderr, "vex3d %s: %s\n", m_command.c_str(), reason.c_str());
  printUsage(stderr);
  std::fprintf(stderr, "(vex3d %s --help lists the options)\n", m_command.c_str());
  return Result::usageError;
}

OptionParser::Result OptionParser::parse(const std::vector<std::string>& args) {
  m_operands.clear();
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (optionsEnded || word.size() < 2 || word[0] != '-') {
      m_operands.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    if (word == "--help" || word == "-h") {
      printHelp(stdout);
      return Result::help;
    }
    // "--name=value" carries its value in the same word.
    const std::size_t equals = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
    const std::string name = word.substr(0, equals);
    const Option* option = find(name);
    if (option == nullptr) return fail("unknown option " + name);
    if (option->valueName.empty()) {
      if (equals != std::string::npos) return fail(name + " takes no value");
      option->action();
      continue;
    }
    std::string value;
    if (equals != std::string::npos) {
      value = word.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return fail(name + " wants " + option->valueName);
    }
    const std::string wrong = option->set(value);
    if (!wrong.empty()) return fail(name + " " + value + ": " + wrong);
  }
  if (m_operands.size() < m_minOperands) {
    return fail(m_operands.empty() ? "missing " + m_operandText
                                   : "too few arguments (" + m_operandText + " expected)");
  }
  if (m_operands.size() > m_maxOperands) {
    return fail("unexpected argument " + m_operands[m_maxOperands]);
  }
  return Result::ok;
}

void OptionParser::printUsage(std::FILE* out) const {
  std::string line = "usage: vex3d " + m_command;
  if (!m_operandText.empty()) line += " " + m_operandText;
  if (!m_options.empty()) line += " [options]";
  std::fprintf(out, "%s\n", line.c_str());
}

void OptionParser::printHelp(std::FILE* out) const {
  printUsage(out);
  if (m_options.empty()) return;
  std::fprintf(out, "\noptions:\n");
  std::vector<std::string> left;
  std::size_t width = 0;
  for (const Option& o : m_options) {
    std::string text = o.shortName != 0 ? std::string("-") + o.shortName + ", " : "    ";
    text += "--" + o.name;
    if (!o.valueName.empty()) text += " " + o.valueName;
    width = std::max(width, text.size());
    left.push_back(std::move(text));
  }
  for (std::size_t i = 0; i < m_options.size(); ++i) {
    std::fprintf(out, "  %-*s  %s\n", static_cast<int>(width), left[i].c_str(),
                 m_options[i].help.c_str());
  }
}

}  // namespace vex3d::cli
