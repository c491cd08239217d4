// The trace for support: the lines of what the program did with the readers (link/trace_platform.*)
// and of what the user did and was shown (Note), each stamped with the local wall-clock time to
// the millisecond. Always on: the last lines are kept in memory (for the report, core/report.*),
// and appended to a file as well when one is named (the window: ZRT_TRACE=FILE; the command line:
// --trace FILE). A run begins with its header (program, version, build, system, language, start
// with the UTC offset, command line); a file that already holds lines gets a blank line before
// it, so that the header's first line ("==== ...") parts the runs. Runs of identical events are
// folded into one line ("d1 M answered the same 598 times in 60.0 s"), written when the run ends,
// when another line comes, or after a minute. The file is made readable by its owner only (Linux),
// and when it would grow past 10 MiB it is moved to FILE.1 (replacing one there) and started anew
// with the header. A line of the file is written out (flushed) at once.
//
//   2026-12-08 06:51:54.123 search 2: d1=/dev/hidraw0 13ab:0051, d2=/dev/hidraw1 046d:c52b
//   2026-12-08 06:51:54.125 d1 send 63: 41 05 00 4d a1 f4
//   2026-12-08 06:52:54.120 d1 M answered the same 598 times in 60.0 s
//   2026-12-08 06:52:55.000 window: WrBtnClick
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/text_file.hpp"

namespace zrt::link {

// A moment: milliseconds since 1970 (UTC), and the local time's offset from UTC then.
struct TraceTime {
    std::int64_t utcMs = 0;
    int offsetMinutes = 0;
};
using TraceClock = std::function<TraceTime()>;
// The system's clock and time zone.
TraceTime SystemTraceTime();

// The local time of a moment, "2026-12-08 06:51:54.123", and the offset, "+01:00".
std::string LocalTimeText(const TraceTime& time);
std::string OffsetText(int offsetMinutes);

// What the header says of the run besides its start.
struct ProgramFacts {
    std::string program;  // "zrt-vivoraz", "zrt-vivoraz-cli"
    std::string version;  // "1.9"
    std::string build;    // "412"
    std::string system;   // SystemDescription()
    std::string language;
    std::string commandLine;
};
// The header's lines, each ending in a new line.
std::string HeaderText(const ProgramFacts& facts, const TraceTime& start);
// A command line as the header shows it: each argument that holds a blank or a quote, or is
// empty, in double quotes (a quote in it doubled).
std::string CommandLineText(const std::string& program, const std::vector<std::string>& arguments);
// The facts every program shares: its version and build, and the system.
ProgramFacts ThisProgram(std::string program, std::string language, std::string commandLine);

class Trace {
  public:
    static constexpr std::size_t RING_LINES = 4000;                 // the lines kept in memory
    static constexpr std::uintmax_t FILE_LIMIT = 10 * 1024 * 1024;  // then FILE moves to FILE.1
    static constexpr std::int64_t FOLD_MS = 60000;  // a fold's line is written at least this often

    explicit Trace(TraceClock clock = SystemTraceTime, std::size_t ringLines = RING_LINES);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    // The program's one trace, which the readers' platform, the window and the command line
    // write to.
    static Trace& Program();
    // A line about what the user did or was shown, in the program's trace.
    static void Note(std::string_view text) { Program().Line(text); }

    // Begins the run with its header (Header), which the file gets first (when one is open).
    void Start(const ProgramFacts& facts);
    // Appends the lines from now on to the file `path` as well, beginning with the run's header;
    // false, with `error` saying why, when it cannot be opened. `limit`: the size past which the
    // file is moved to `path`.1.
    bool OpenFile(const std::string& path, std::string& error, std::uintmax_t limit = FILE_LIMIT);

    TraceTime Now() const { return clock_(); }
    // The run's header, as Start made it.
    const std::string& Header() const { return header_; }
    // A line stamped now, or at `when`; a fold still open is written first.
    void Line(std::string_view text) { Line(Now(), text); }
    void Line(const TraceTime& when, std::string_view text);
    // One more of the same event as the last one written in full, or as the last one counted
    // under `what` ("d1 M answered"): counted, not written. The count goes out as one line
    // ("<what> the same N times in S s") before the next line, at Flush, or once the fold has
    // lasted FOLD_MS.
    void Again(const std::string& what);
    // Writes an open fold's line.
    void Flush();

    // The lines kept in memory, oldest first, with the line of a fold still open; not the header.
    std::vector<std::string> Lines() const;

  private:
    void Keep(std::string line);
    void ToFile(const std::string& text);
    std::string FoldLine() const;

    TraceClock clock_;
    std::size_t ringLines_;
    std::deque<std::string> ring_;
    std::string header_;
    File file_;
    std::string path_;
    std::uintmax_t size_ = 0;
    std::uintmax_t limit_ = FILE_LIMIT;

    bool folding_ = false;
    std::string foldWhat_;
    std::uint64_t foldCount_ = 0;
    TraceTime foldFirst_;  // the event written in full, or the end of the fold written before
    TraceTime foldLast_;
};

}  // namespace zrt::link
