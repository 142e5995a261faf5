#pragma once

namespace velm {

class TSqlScript;

// Runs one catalogue script on the engine: first every line that is only a
// COMMIT WORK, or a COMMIT WORK beside comments between statements, is
// blanked (the caller commits); a line mixing COMMIT WORK with other text
// raises a ScriptError naming that line before anything runs.
// Raises whatever the engine's execution raises.
void ExecutaScript(TSqlScript& FbScript1);

}  // namespace velm
