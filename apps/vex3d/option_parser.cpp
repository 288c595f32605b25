#include "option_parser.h"

#include <algorithm>
#include <utility>

#include "cli_text.h"
#include "command_table.h"
#include "hostlib/text/strings.h"

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
  printText(stderr, kStrCliUsageError, m_command.c_str(), reason.c_str());
  printUsage(stderr);
  printText(stderr, kStrCliSeeHelp, m_command.c_str());
  return Result::usageError;
}

OptionParser::Result OptionParser::parse(const std::vector<std::string>& args) {
  m_operands.clear();
  m_given.clear();
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
    // "--name=value" carries its value in the same word, and so does "-jVALUE".
    std::size_t equals = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
    std::string name = word.substr(0, equals);
    std::string attached;
    if (equals == std::string::npos && word[1] != '-' && word.size() > 2) {
      name = word.substr(0, 2);
      const Option* shortOption = find(name);
      if (shortOption != nullptr && !shortOption->valueName.empty()) {
        attached = word.substr(2);
        equals = 1;
      } else {
        name = word;
      }
    }
    const Option* option = find(name);
    if (option == nullptr) return fail(text(kStrCliUnknownOption, name.c_str()));
    if (option->valueName.empty()) {
      if (equals != std::string::npos) return fail(text(kStrCliTakesNoValue, name.c_str()));
      option->action();
      m_given.emplace_back(static_cast<std::size_t>(option - m_options.data()), std::string());
      continue;
    }
    std::string value;
    if (!attached.empty()) {
      value = attached;
    } else if (equals != std::string::npos) {
      value = word.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return fail(text(kStrCliWantsValue, name.c_str(), option->valueName.c_str()));
    }
    const std::string wrong = option->set(value);
    if (!wrong.empty())
      return fail(text(kStrCliBadValue, name.c_str(), value.c_str(), wrong.c_str()));
    m_given.emplace_back(static_cast<std::size_t>(option - m_options.data()), value);
  }
  if (m_operands.size() < m_minOperands) {
    return fail(text(m_operands.empty() ? kStrCliMissingOperands : kStrCliTooFewOperands,
                     m_operandText.c_str()));
  }
  if (m_operands.size() > m_maxOperands) {
    return fail(text(kStrCliUnexpectedArgument, m_operands[m_maxOperands].c_str()));
  }
  return Result::ok;
}

std::vector<std::string> OptionParser::givenOptions(const std::vector<std::string>& leftOut) const {
  std::vector<std::string> words;
  for (const auto& [index, value] : m_given) {
    const Option& o = m_options[index];
    if (std::find(leftOut.begin(), leftOut.end(), o.name) != leftOut.end()) continue;
    words.push_back("--" + o.name + (o.valueName.empty() ? std::string() : "=" + value));
  }
  return words;
}

void OptionParser::printUsage(std::FILE* out) const {
  std::string line = m_command;
  if (!m_operandText.empty()) line += " " + m_operandText;
  line += " " + LoadStringW(kStrCliOptionsWord);
  printText(out, kStrCliUsageLine, line.c_str());
}

void OptionParser::printHelp(std::FILE* out) const {
  printUsage(out);
  const CommandInfo* info = findCommand(m_command);
  if (info != nullptr) std::fprintf(out, "%s\n", LoadStringW(info->summary).c_str());
  std::fprintf(out, "\n%s\n", LoadStringW(kStrCliOptionsTitle).c_str());
  std::vector<std::string> left{"-h, --help"};
  std::vector<std::string> right{LoadStringW(kStrCliHelpOption)};
  for (const Option& o : m_options) {
    std::string syntax = o.shortName != 0 ? std::string("-") + o.shortName + ", " : "    ";
    syntax += "--" + o.name;
    if (!o.valueName.empty()) syntax += " " + o.valueName;
    left.push_back(std::move(syntax));
    right.push_back(o.help);
  }
  std::size_t width = 0;
  for (const std::string& l : left) width = std::max(width, l.size());
  for (std::size_t i = 0; i < left.size(); ++i) {
    std::fprintf(out, "  %-*s  %s\n", static_cast<int>(width), left[i].c_str(), right[i].c_str());
  }
  if (info != nullptr) {
    std::fprintf(out, "\n%s\n  %s\n", LoadStringW(kStrCliExampleTitle).c_str(),
                 LoadStringW(info->example).c_str());
  }
}

}  // namespace vex3d::cli
