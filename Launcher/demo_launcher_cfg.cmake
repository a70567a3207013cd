# Points the demo directory's launcher.cfg at the game built beside it, so that the Launcher
# started there ("cd build/demo && ../bin/Launcher", then its play button) starts the game. A
# launcher.cfg the Launcher has saved keeps the player's settings: the statement naming the game
# is added after them (the last statement of a name wins), unless the file already ends with it;
# the Launcher's next save folds it in.
# cmake -DCFG=<launcher.cfg> -DGAME=<the game's program> -P demo_launcher_cfg.cmake
cmake_policy(VERSION 3.16)
get_filename_component(dir "${CFG}" DIRECTORY)
file(RELATIVE_PATH game "${dir}" "${GAME}")
set(statement "executable_name \"${game}\";")
if(NOT EXISTS "${CFG}")
  file(WRITE "${CFG}" "// The demo build's: the Launcher started here starts the game built beside it.\r\n${statement}\r\n")
  return()
endif()
# Read as lines (file(READ) would drop the carriage returns, file(APPEND) keeps the bytes).
file(STRINGS "${CFG}" lines)
list(LENGTH lines count)
set(last "")
if(count GREATER 0)
  list(GET lines -1 last)
endif()
string(STRIP "${last}" last)
if(NOT last STREQUAL statement)
  file(APPEND "${CFG}" "\r\n${statement}\r\n")
endif()
