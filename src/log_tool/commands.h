#pragma once

#include "command_line.h"
#include "file_api.h"
#include "output_sink.h"

#include <string>
#include <vector>

// The tool's three commands, export, import and check, run against the log
// through a LogStore on `files`, with their normal output into `out`. A
// command returns its failure as a value; runLogTool() words it once, into
// `errors`, and main() prints that. Nothing here touches the log's bytes
// itself or knows about a display.

namespace pintwise {

[[nodiscard]] ToolStatus runExport(const Invocation& invocation, OutputSink& out, FileApi& files);
// `notices` gathers what the user must read even when the import succeeds:
// the cells of a sheet that were not text.
[[nodiscard]] ToolStatus runImport(const Invocation& invocation, OutputSink& out, FileApi& files, std::string& notices,
                                   int standardInput = 0);
[[nodiscard]] ToolStatus runCheck(const Invocation& invocation, OutputSink& out, FileApi& files);

// The whole tool for `arguments` (argv without the program's name): the exit
// status, with every error line, "pintwise-log: " first, in `errors`.
int runLogTool(const std::vector<std::string>& arguments, OutputSink& out, std::string& errors,
               FileApi& files = systemFileApi());

} // namespace pintwise
