# Compiles two probes with the core's include path alone: a core header must compile, and an
# include of Qt must not. Run as: cmake -DCXX=... -DCORE_DIR=... -DWORK_DIR=... -P QtWallCheck.cmake
function(compile_probe name text result_var)
  set(source "${WORK_DIR}/${name}.cpp")
  file(WRITE "${source}" "${text}\nint main() { return 0; }\n")
  execute_process(
    COMMAND "${CXX}" -std=c++20 -fsyntax-only -I "${CORE_DIR}" "${source}"
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  set(${result_var} ${result} PARENT_SCOPE)
endfunction()

compile_probe(core_probe "#include \"Scene.h\"" core_result)
if(NOT core_result EQUAL 0)
  message(FATAL_ERROR "The core probe does not compile; the check proves nothing")
endif()

foreach(header "QtCore/QString" "QString" "qt6/QtCore/QString" "QtWidgets/QWidget")
  compile_probe(qt_probe "#include <${header}>" qt_result)
  if(qt_result EQUAL 0)
    message(FATAL_ERROR "<${header}> compiles with the core's include path")
  endif()
endforeach()
message(STATUS "Qt is out of the core's reach")
