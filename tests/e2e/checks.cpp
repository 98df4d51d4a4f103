// The checks of the screen that save a screenshot when they fail (e2e.h): in the
// driver only, which names screenshots after the running case.
#include "tests/e2e/e2e.h"

namespace e2e {

bool WaitForGridOnly(const Game& game, const Geometry& g, const std::vector<Box>& allowed,
                     DWORD limitMs, std::string* problems) {
  const bool ok = WaitUntil(limitMs, [&] {
    *problems = game.Capture().CheckGridOnly(g, allowed);
    return problems->empty();
  });
  if (!ok) game.SaveScreenshot("grid");
  return ok;
}

void RequireGridOnly(const Game& game, const Geometry& g, const std::vector<Box>& allowed,
                     DWORD limitMs) {
  std::string problems;
  E2E_REQUIRE(WaitForGridOnly(game, g, allowed, limitMs, &problems), "at %d x %d: %s", g.width,
              g.height, problems.c_str());
}

void ExpectPanel(const Game& game, const Geometry& g, const Panel& want, const char* when,
                 DWORD limitMs) {
  std::string problem;
  const bool ok = WaitUntil(limitMs, [&] {
    problem = CheckStatusPanel(game.Capture(), g, want.skill, want.board, want.length, want.target,
                               want.word, want.colour);
    return problem.empty();
  });
  if (!ok) game.SaveScreenshot("panel");
  E2E_CHECK(ok, "status panel %s at %d x %d: %s", when, g.width, g.height, problem.c_str());
}

}  // namespace e2e
