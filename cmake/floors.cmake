# The floors of the engine, lowest first. A file may include headers of its own floor and of the
# floors below it, never of a floor above, and the objects of a floor may not call into a floor
# above. The build makes one target per floor from this table, and check_floors.cmake (a test,
# so CI runs it) enforces both rules with the same table.
#
# Each row: floor number, target name, then the folders (or single files) that belong to it.
# Folders whose floor has no code yet are listed anyway, so a new module has an obvious home.
set(NIMBREL_FLOOR_TABLE
  "0 platform     engine/platform include/Nimbrel.h"
  "1 base         engine/core"
  "2 data         engine/data"
  "3 services     engine/gfx engine/sound engine/net"
  "4 cursor       engine/cursor"
  "5 resources    engine/resources"
  "6 widgets      engine/ui engine/overlays"
  "7 composition  engine/composition"
  "7 authoring    engine/authoring include/NimbrelAuthoring.h"
  "7 testing      engine/testing"
)
# Why the public header sits on floor 0: it is the engine's manual and declares every floor, so
# everything may include it. Calls into a higher floor through it are still caught, by the
# symbol half of the check.
#
# The authoring interface and the test seams sit beside the composition: they reach into several
# floors, but they are separate libraries, linked only into the tools (authoring) and into tests,
# benchmarks and fuzzers (testing), never into a game.
#
# Programs (Tools/*) sit above every floor and may include only the public headers in include/
# and files of their own folder.

# Splits a row into its number, target and places.
function(nimbrel_floor_row row floor_var target_var places_var)
  string(REGEX REPLACE " +" ";" fields "${row}")
  list(POP_FRONT fields floor target)
  set(${floor_var} ${floor} PARENT_SCOPE)
  set(${target_var} ${target} PARENT_SCOPE)
  set(${places_var} ${fields} PARENT_SCOPE)
endfunction()
