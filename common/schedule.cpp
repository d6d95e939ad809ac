// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/schedule.h"

#include <cstdint>
#include <cstdio>
#include <utility>

#include "common/startup_shortcut.h"

namespace tivolen {
namespace {

std::string intervalText(int minutes) {
  if (minutes % 60 == 0) return std::to_string(minutes / 60) + "時間ごと";
  return std::to_string(minutes) + "分ごと";
}

// systemd reads "%" as the start of a specifier and "$" as a variable in
// command lines; both stand for themselves when doubled.
std::string unitValue(std::string_view text) {
  std::string value;
  for (const char c : text) {
    value += c;
    if (c == '%') value += '%';
  }
  return value;
}

// One word of ExecStart=, quoted so spaces stay inside it.
std::string commandWord(std::string_view text) {
  std::string word = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') word += '\\';
    if (c == '%' || c == '$') word += c;
    word += c;
  }
  return word + "\"";
}

std::string unitHeader(std::string_view what, const ScheduledProgram& program) {
  return "# Written by the Tivolen manager; choose the schedule there.\n[Unit]\nDescription=" +
         std::string(what) + " (" + unitValue(program.program) + ")\n";
}

// The value of the first "key=" line, without surrounding blanks.
std::optional<std::string> unitSetting(std::string_view text, std::string_view key) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t')) {
      line.remove_suffix(1);
    }
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
      return std::string(line.substr(key.size() + 1));
    }
    at = end + 1;
  }
  return std::nullopt;
}

// "15min", "2h", "90" (seconds are systemd's unit when none is given).
std::optional<int> minutesOfSpan(std::string_view span) {
  std::size_t digits = 0;
  int number = 0;
  while (digits < span.size() && span[digits] >= '0' && span[digits] <= '9' && number < 100000) {
    number = number * 10 + (span[digits] - '0');
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  const std::string_view unit = span.substr(digits);
  if (unit == "min" || unit == "m") return number;
  if (unit == "h") return number * 60;
  if ((unit.empty() || unit == "s") && number % 60 == 0) return number / 60;
  return std::nullopt;
}

std::string xmlText(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

void appendUtf8(std::string& text, std::uint32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The character a reference ("&#38;", "&#x58C1;") names; nothing for one
// that names none.
std::optional<std::uint32_t> characterOfReference(std::string_view digits) {
  const bool hex = !digits.empty() && (digits.front() == 'x' || digits.front() == 'X');
  if (hex) digits.remove_prefix(1);
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t code = 0;
  for (const char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
  }
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  return code;
}

// Element text as the characters it stands for: a serializer may spell a
// character as an entity or a reference where this program wrote it plain.
std::string xmlValue(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  std::string value;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text[at] == '&' ? text.find(';', at) : std::string_view::npos;
    if (end == std::string_view::npos) {
      value += text[at++];
      continue;
    }
    const std::string_view name = text.substr(at + 1, end - at - 1);
    bool replaced = false;
    if (name.starts_with('#')) {
      if (const auto code = characterOfReference(name.substr(1))) {
        appendUtf8(value, *code);
        replaced = true;
      }
    }
    for (const auto& [entity, character] : kEntities) {
      if (!replaced && name == entity) {
        value += character;
        replaced = true;
      }
    }
    if (replaced) {
      at = end + 1;
    } else {
      value += text[at++];
    }
  }
  return value;
}

std::string boundary(const CalendarDay& day, int hour, int minute, int second) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", day.year, day.month, day.day,
                hour, minute, second);
  return text;
}

// The text between <tag> and </tag>, the first of them.
std::optional<std::string_view> element(std::string_view xml, std::string_view tag) {
  const std::string open = "<" + std::string(tag) + ">";
  const std::string close = "</" + std::string(tag) + ">";
  const std::size_t start = xml.find(open);
  if (start == std::string_view::npos) return std::nullopt;
  const std::size_t from = start + open.size();
  const std::size_t end = xml.find(close, from);
  if (end == std::string_view::npos) return std::nullopt;
  return xml.substr(from, end - from);
}

// The ISO 8601 durations the Task Scheduler gives back: "PT15M", "PT2H",
// "P1D".
std::optional<int> minutesOfDuration(std::string_view duration) {
  if (duration.size() < 3 || duration[0] != 'P') return std::nullopt;
  duration.remove_prefix(1);
  const bool time = duration.front() == 'T';
  if (time) duration.remove_prefix(1);
  int total = 0;
  int number = 0;
  bool any = false;
  for (const char c : duration) {
    if (c >= '0' && c <= '9') {
      if (number > 100000) return std::nullopt;
      number = number * 10 + (c - '0');
      any = true;
      continue;
    }
    if (!any) return std::nullopt;
    if (c == 'D' && !time) {
      total += number * 1440;
    } else if (c == 'H' && time) {
      total += number * 60;
    } else if (c == 'M' && time) {
      total += number;
    } else {
      return std::nullopt;
    }
    number = 0;
    any = false;
  }
  if (any || total == 0) return std::nullopt;
  return total;
}

}  // namespace

std::vector<std::string> ScheduleChoiceTexts() {
  std::vector<std::string> texts{"しない", "日付が変わったとき"};
  for (const int minutes : kScheduleMinutes) texts.push_back(intervalText(minutes));
  return texts;
}

Schedule ScheduleOfChoice(int index) {
  if (index == 1) return {ScheduleKind::DateChange, 0};
  if (index >= 2 && index < 2 + static_cast<int>(kScheduleMinutes.size())) {
    return {ScheduleKind::Every, kScheduleMinutes.at(static_cast<std::size_t>(index - 2))};
  }
  return {};
}

int ChoiceOfSchedule(const Schedule& schedule) {
  switch (schedule.kind) {
    case ScheduleKind::Off:
      return 0;
    case ScheduleKind::DateChange:
      return 1;
    case ScheduleKind::Every:
      for (std::size_t i = 0; i < kScheduleMinutes.size(); ++i) {
        if (kScheduleMinutes.at(i) == schedule.minutes) return static_cast<int>(i) + 2;
      }
      return -1;
  }
  return -1;
}

std::string ScheduleName(std::string_view program) {
  // FNV-1a: stable across builds and systems, unlike std::hash.
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : program) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return "tivolen-" + std::string(text);
}

std::string UnschedulablePath(std::string_view path) {
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) return "a control character in the path";
  }
  if (!path.empty() && (path.back() == '\\' || path.back() == ' ')) {
    return "the path ends in a space or a backslash";
  }
  return {};
}

std::string SystemdServiceText(const ScheduledProgram& program) {
  std::string text = unitHeader("Tivolen: change the wallpaper when due", program);
  // A removed or moved install leaves its units behind; they then do nothing
  // and fail nothing.
  text += "ConditionFileIsExecutable=" + unitValue(program.program) + "\n\n";
  text += "[Service]\nType=oneshot\n";
  text += "ExecStart=" + commandWord(program.program) + " " + std::string(kScheduledOption) + "\n";
  text += "WorkingDirectory=" + unitValue(program.directory) + "\n";
  // No desktop to reach (the session has not imported its display yet, or
  // it ended): nothing was due of this run, so nothing failed.
  text += "SuccessExitStatus=" + std::to_string(kExitNoDesktop) + "\n";
  // The desktop's background client (swaybg) and the launcher program are
  // started by the changer and must outlive it; systemd would otherwise kill
  // what is left in the service when the changer ends.
  text += "KillMode=process\n";
  text += "TimeoutStartSec=5min\n";
  return text;
}

std::string SystemdTimerText(const ScheduledProgram& program, const Schedule& schedule) {
  std::string text = unitHeader("Tivolen: wallpaper schedule", program);
  text += "\n[Timer]\n";
  if (schedule.kind == ScheduleKind::Every) {
    const std::string span = std::to_string(schedule.minutes) + "min";
    // The first run one interval after log-on, then one interval after
    // each run.
    text += "OnActiveSec=" + span + "\nOnUnitActiveSec=" + span + "\n";
  } else {
    // At midnight, and at the next start or wake when that was missed.
    text += "OnCalendar=*-*-* 00:00:00\nPersistent=true\n";
  }
  text += "\n[Install]\nWantedBy=timers.target\n";
  return text;
}

std::optional<Schedule> ScheduleOfSystemdTimer(std::string_view text) {
  if (const auto calendar = unitSetting(text, "OnCalendar")) {
    if (*calendar == "*-*-* 00:00:00" || *calendar == "daily") {
      return Schedule{ScheduleKind::DateChange, 0};
    }
    return std::nullopt;
  }
  if (const auto span = unitSetting(text, "OnUnitActiveSec")) {
    const std::optional<int> minutes = minutesOfSpan(*span);
    if (minutes && *minutes > 0) return Schedule{ScheduleKind::Every, *minutes};
  }
  return std::nullopt;
}

std::string TaskDefinitionXml(const ScheduledProgram& program, const Schedule& schedule,
                              const LocalTime& now) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
      "<Task version=\"1.2\" "
      "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
      "  <RegistrationInfo>\n"
      "    <Description>Tivolen: " +
      xmlText(program.program) +
      "</Description>\n"
      "  </RegistrationInfo>\n"
      "  <Triggers>\n";
  if (schedule.kind == ScheduleKind::Every) {
    xml += "    <TimeTrigger>\n      <StartBoundary>" +
           boundary(now.day, now.hour, now.minute, now.second) +
           "</StartBoundary>\n      <Repetition>\n        <Interval>PT" +
           std::to_string(schedule.minutes) +
           "M</Interval>\n        <StopAtDurationEnd>false</StopAtDurationEnd>\n"
           "      </Repetition>\n      <Enabled>true</Enabled>\n    </TimeTrigger>\n";
  } else {
    xml += "    <CalendarTrigger>\n      <StartBoundary>" + boundary(now.day, 0, 0, 0) +
           "</StartBoundary>\n      <Enabled>true</Enabled>\n      <ScheduleByDay>\n"
           "        <DaysInterval>1</DaysInterval>\n      </ScheduleByDay>\n"
           "    </CalendarTrigger>\n";
  }
  // The user's own rights, and only while the user is logged on: the
  // wallpaper belongs to a desktop.
  xml +=
      "  </Triggers>\n"
      "  <Principals>\n"
      "    <Principal id=\"Author\">\n"
      "      <LogonType>InteractiveToken</LogonType>\n"
      "      <RunLevel>LeastPrivilege</RunLevel>\n"
      "    </Principal>\n"
      "  </Principals>\n"
      "  <Settings>\n"
      "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\n"
      "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\n"
      "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\n"
      "    <StartWhenAvailable>true</StartWhenAvailable>\n"
      "    <ExecutionTimeLimit>PT5M</ExecutionTimeLimit>\n"
      "    <Enabled>true</Enabled>\n"
      "  </Settings>\n"
      "  <Actions Context=\"Author\">\n"
      "    <Exec>\n"
      "      <Command>" +
      xmlText(program.program) + "</Command>\n      <Arguments>" + std::string(kScheduledOption) +
      "</Arguments>\n      <WorkingDirectory>" + xmlText(program.directory) +
      "</WorkingDirectory>\n"
      "    </Exec>\n"
      "  </Actions>\n"
      "</Task>\n";
  return xml;
}

std::optional<Schedule> ScheduleOfTaskDefinition(std::string_view xml) {
  if (const auto repetition = element(xml, "Repetition")) {
    if (const auto interval = element(*repetition, "Interval")) {
      if (const auto minutes = minutesOfDuration(*interval)) {
        return Schedule{ScheduleKind::Every, *minutes};
      }
    }
    return std::nullopt;
  }
  if (const auto days = element(xml, "DaysInterval"); days && *days == "1") {
    return Schedule{ScheduleKind::DateChange, 0};
  }
  return std::nullopt;
}

bool TaskDefinitionRuns(std::string_view xml, const ScheduledProgram& program,
                        const Schedule& schedule) {
  const auto command = element(xml, "Command");
  const auto arguments = element(xml, "Arguments");
  return ScheduleOfTaskDefinition(xml) == schedule && command &&
         xmlValue(*command) == program.program && arguments &&
         xmlValue(*arguments) == kScheduledOption;
}

}  // namespace tivolen
