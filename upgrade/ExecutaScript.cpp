#include "upgrade/ExecutaScript.h"

#include "upgrade/CommitWorkLines.h"
#include "upgrade/ScriptError.h"
#include "upgrade/SqlScript.h"

namespace velm {

void ExecutaScript(TSqlScript& FbScript1) {
    std::vector<std::string>& lines = FbScript1.Script();
    if (const auto stuck = blankCommitWorkLines(lines, FbScript1.Terminator()))
        throw ScriptError(isWholeCommitWorkLine(lines[*stuck])
                              ? "COMMIT WORK dentro de um comando, texto ou bloco"
                              : "COMMIT WORK junto de outro texto na mesma linha",
                          static_cast<int>(*stuck) + 1);
    FbScript1.ExecuteScript();
}

}  // namespace velm
