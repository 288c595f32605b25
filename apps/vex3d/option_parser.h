#pragma once
// The options of one subcommand, declared once: parsing, the usage line and
// the help text all come from the declaration, so every subcommand accepts
// the same forms (`--name value`, `--name=value`, `-n value`, `--` before
// operands that begin with '-') and fails the same way.
#include <cstddef>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace vex3d::cli {

class OptionParser {
 public:
  // Answers an empty string when the value is taken, else what is wrong
  // with it ("wants WIDTHxHEIGHT").
  using Setter = std::function<std::string(const std::string& value)>;
  using Action = std::function<void()>;

  static constexpr std::size_t kMany = std::numeric_limits<std::size_t>::max();

  // `command` names the subcommand in messages ("convert"); `operands`
  // describes the positional arguments in the usage line ("IN OUT").
  OptionParser(std::string command, std::string operands, std::size_t minOperands,
               std::size_t maxOperands);

  // An option without a value. `shortName` 0 when it has none.
  OptionParser& flag(const std::string& name, char shortName, const std::string& help,
                     Action action);
  OptionParser& flag(const std::string& name, char shortName, const std::string& help,
                     bool& target);
  // An option with a value, shown as `valueName` in the help.
  OptionParser& value(const std::string& name, char shortName, const std::string& valueName,
                      const std::string& help, Setter set);

  enum class Result { ok, help, usageError };
  // Parses `args` (the words after the subcommand). On `help` the help text
  // has been printed on stdout; on `usageError` the reason and the usage
  // line on stderr.
  Result parse(const std::vector<std::string>& args);
  const std::vector<std::string>& operands() const { return m_operands; }

  // The exit status a result stands for when parsing did not succeed:
  // 0 after help, 2 after a usage error.
  static int exitStatus(Result result) { return result == Result::help ? 0 : 2; }

  void printUsage(std::FILE* out) const;
  // The usage line, the command's summary, its options and an example.
  void printHelp(std::FILE* out) const;
  // Says what is wrong on stderr, with the usage line; answers usageError.
  Result fail(const std::string& reason) const;

  struct Option {
    std::string name;
    char shortName = 0;
    std::string valueName;  // empty for a flag
    std::string help;
    Action action;
    Setter set;
  };
  // What the command accepts, for help texts made elsewhere (manual pages,
  // shell completion): `--help` is implied and not among them.
  const std::vector<Option>& options() const { return m_options; }
  const std::string& command() const { return m_command; }
  const std::string& operandText() const { return m_operandText; }

  // The options the last parse took, as words that parse again to the same
  // settings (`--name` or `--name=value`), leaving out those `leftOut`
  // names: what a batch hands on to the run of each of its files.
  std::vector<std::string> givenOptions(const std::vector<std::string>& leftOut) const;

 private:
  const Option* find(const std::string& word) const;

  std::string m_command;
  std::string m_operandText;
  std::size_t m_minOperands;
  std::size_t m_maxOperands;
  std::vector<Option> m_options;
  std::vector<std::string> m_operands;
  // Index into m_options and the value, in the order given.
  std::vector<std::pair<std::size_t, std::string>> m_given;
};

}  // namespace vex3d::cli
