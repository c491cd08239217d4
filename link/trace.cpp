// The trace: the stamps, the header, the fold, the lines kept in memory and the file with its
// limit.
#include "link/trace.hpp"

#include <chrono>
#include <cstdio>

#include "link/host_system.hpp"

#ifndef ZRT_PROGRAM_VERSION
#define ZRT_PROGRAM_VERSION "?"
#endif
#ifndef ZRT_PROGRAM_BUILD
#define ZRT_PROGRAM_BUILD "?"
#endif

namespace zrt::link {

namespace {

constexpr std::int64_t DAY_MS = 86'400'000;

// The calendar date of a day counted from 1970-01-01 (the proleptic Gregorian calendar).
void CivilDate(std::int64_t days, int& year, int& month, int& day) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

TraceTime SystemTraceTime() {
    const std::int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
    // The offset is asked once a minute at most: it changes only with the time zone's rules.
    static std::int64_t askedMinute = -1;
    static int offset = 0;
    const std::int64_t minute = ms / 60000;
    if (minute != askedMinute) {
        askedMinute = minute;
        offset = LocalOffsetMinutes(ms / 1000);
    }
    return {ms, offset};
}

std::string LocalTimeText(const TraceTime& time) {
    const std::int64_t local = time.utcMs + std::int64_t{time.offsetMinutes} * 60000;
    std::int64_t days = local / DAY_MS;
    std::int64_t inDay = local % DAY_MS;
    if (inDay < 0) {
        inDay += DAY_MS;
        --days;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    CivilDate(days, year, month, day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", year, month, day,
                  static_cast<int>(inDay / 3'600'000), static_cast<int>(inDay / 60000 % 60),
                  static_cast<int>(inDay / 1000 % 60), static_cast<int>(inDay % 1000));
    return text;
}

std::string OffsetText(int offsetMinutes) {
    const int size = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+', size / 60,
                  size % 60);
    return text;
}

std::string HeaderText(const ProgramFacts& facts, const TraceTime& start) {
    return "==== " + facts.program + " " + facts.version + ", build " + facts.build + " ====\n" +
           "started:      " + LocalTimeText(start) + " " + OffsetText(start.offsetMinutes) +
           "\nsystem:       " + facts.system + "\nlanguage:     " + facts.language +
           "\ncommand line: " + facts.commandLine + "\n";
}

std::string CommandLineText(const std::string& program, const std::vector<std::string>& arguments) {
    std::string text = program;
    for (const std::string& argument : arguments) {
        text += ' ';
        if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
            text += argument;
            continue;
        }
        text += '"';
        for (const char c : argument) {
            text += c == '"' ? std::string("\"\"") : std::string(1, c);
        }
        text += '"';
    }
    return text;
}

ProgramFacts ThisProgram(std::string program, std::string language, std::string commandLine) {
    return {std::move(program),  ZRT_PROGRAM_VERSION, ZRT_PROGRAM_BUILD,
            SystemDescription(), std::move(language), std::move(commandLine)};
}

Trace::Trace(TraceClock clock, std::size_t ringLines)
    : clock_(std::move(clock)), ringLines_(ringLines) {}

Trace::~Trace() {
    Flush();
}

Trace& Trace::Program() {
    static Trace trace;
    return trace;
}

void Trace::Start(const ProgramFacts& facts) {
    Flush();
    header_ = HeaderText(facts, Now());
    if (file_) {
        ToFile(header_);
    }
}

bool Trace::OpenFile(const std::string& path, std::string& error, std::uintmax_t limit) {
    File file(OpenOwnFileForAppending(path));
    if (!file) {
        error = path + ": cannot be opened for appending: " + LastErrorText();
        return false;
    }
    Flush();
    std::fseek(file.get(), 0, SEEK_END);
    const long size = std::ftell(file.get());
    file_ = std::move(file);
    path_ = path;
    size_ = size > 0 ? static_cast<std::uintmax_t>(size) : 0;
    limit_ = limit;
    ToFile((size_ > 0 ? "\n" : "") + header_);
    return true;
}

void Trace::Line(const TraceTime& when, std::string_view text) {
    Flush();
    foldFirst_ = when;
    std::string line = LocalTimeText(when);
    line += ' ';
    line += text;
    if (file_) {
        ToFile(line + "\n");
    }
    Keep(std::move(line));
}

void Trace::Again(const std::string& what) {
    if (folding_ && foldWhat_ != what) {
        Flush();
    }
    if (!folding_) {
        folding_ = true;
        foldWhat_ = what;
        foldCount_ = 0;
    }
    ++foldCount_;
    foldLast_ = Now();
    if (foldLast_.utcMs - foldFirst_.utcMs >= FOLD_MS) {
        Flush();
        foldFirst_ = foldLast_;  // the next fold goes on from here
    }
}

std::string Trace::FoldLine() const {
    char span[32];
    std::snprintf(span, sizeof span, "%.1f",
                  static_cast<double>(foldLast_.utcMs - foldFirst_.utcMs) / 1000.0);
    return LocalTimeText(foldLast_) + " " + foldWhat_ + " the same " + std::to_string(foldCount_) +
           (foldCount_ == 1 ? " time in " : " times in ") + span + " s";
}

void Trace::Flush() {
    if (!folding_) {
        return;
    }
    folding_ = false;
    std::string line = FoldLine();
    if (file_) {
        ToFile(line + "\n");
    }
    Keep(std::move(line));
}

std::vector<std::string> Trace::Lines() const {
    std::vector<std::string> lines(ring_.begin(), ring_.end());
    if (folding_) {
        lines.push_back(FoldLine());
    }
    return lines;
}

void Trace::Keep(std::string line) {
    if (ringLines_ == 0) {
        return;
    }
    if (ring_.size() == ringLines_) {
        ring_.pop_front();
    }
    ring_.push_back(std::move(line));
}

// Past the limit the file moves to FILE.1 and a new one begins with the run's header; a file that
// cannot be moved or made again ends the file's part of the trace (the lines in memory go on).
void Trace::ToFile(const std::string& text) {
    if (size_ > 0 && size_ + text.size() > limit_) {
        file_.reset();
        const bool moved = MoveFileOver(path_, path_ + ".1");
        if (moved) {
            file_.reset(OpenOwnFileForAppending(path_));
        }
        if (!file_) {
            return;
        }
        size_ = 0;
        if (&text != &header_) {
            ToFile(header_ + "(the lines before are in " + path_ + ".1)\n");
        }
    }
    if (std::fwrite(text.data(), 1, text.size(), file_.get()) == text.size()) {
        size_ += text.size();
    }
    std::fflush(file_.get());
}

}  // namespace zrt::link
