#include "upgrade/ExecutaScript.h"

#include "upgrade/CommitWorkLines.h"
#include "upgrade/ScriptError.h"
#include "upgrade/SqlScript.h"

namespace velm {

void ExecutaScript(TSqlScript& FbScript1) {
    if (const auto mixed = blankCommitWorkLines(FbScript1.Script(), FbScript1.Terminator()))
        throw ScriptError("COMMIT WORK junto de outro texto na mesma linha",
                          static_cast<int>(*mixed) + 1);
    FbScript1.ExecuteScript();
}

}  // namespace velm
