# Build settings shared by every target of the project.

# Warnings are errors for project code only; Qt and libusb headers come in as system headers.
# GCC 12 takes the frame allocation of Asio's coroutines for a mismatched new/delete pair (the
# frame's own operator new and delete are a matching pair); the warning is off for that reason.
function(kestrova_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-mismatched-new-delete)
  endif()
endfunction()

if(KESTROVA_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(KESTROVA_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  # GCC warns of every std::atomic_thread_fence, which ThreadSanitizer does not instrument; Asio's
  # loop has them in its handler queues. What the loops hand between threads goes through
  # Asio's mutex-guarded queues, which the sanitizer does see.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-tsan)
  endif()
endif()

# A program that users run: lands in build/bin.
function(kestrova_program target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KESTROVA_BIN_DIR})
  kestrova_warnings(${target})
endfunction()

# One static library per layer, made of every source file in its folder.
function(kestrova_layer target)
  cmake_parse_arguments(L "AUTOMOC" "" "PUBLIC_LIBS;PRIVATE_LIBS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  # Files another target of the folder builds.
  foreach(name ${L_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "/${name}$")
    list(FILTER headers EXCLUDE REGEX "/${name}$")
  endforeach()
  if(NOT sources)
    # A layer that holds headers only so far.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${L_PUBLIC_LIBS})
    return()
  endif()
  add_library(${target} STATIC ${sources} ${headers})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${L_PUBLIC_LIBS} PRIVATE ${L_PRIVATE_LIBS})
  if(L_AUTOMOC)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
  endif()
  kestrova_warnings(${target})
endfunction()

# Every tests/<layer>/test_*.cpp becomes one Qt Test program registered with CTest. Other .cpp
# files of the folder (fakes, fixtures) are built once into a helper library shared by its tests.
function(kestrova_test_folder)
  # LABEL is a list ("link;threaded"), so it is parsed as a multi-value keyword.
  cmake_parse_arguments(T "" "" "LABEL;LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(support ${all})
  if(tests)
    list(REMOVE_ITEM support ${tests})
  endif()
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(libs ${T_LIBS} Qt6::Test)
  if(support)
    add_library(tests_${folder}_support STATIC ${support})
    target_include_directories(tests_${folder}_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(tests_${folder}_support PUBLIC ${libs})
    kestrova_warnings(tests_${folder}_support)
    set(libs tests_${folder}_support)
  endif()
  foreach(src ${tests})
    get_filename_component(name ${src} NAME_WE)
    set(target ${folder}_${name})
    add_executable(${target} ${src})
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${target} PRIVATE ${libs})
    set_target_properties(${target} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    kestrova_warnings(${target})
    # A program whose test functions are listed in <target>_FUNCTIONS runs as one test per
    # function (<target>_<function>), so that ctest -j runs them side by side.
    set(cases ${target})
    if(${target}_FUNCTIONS)
      set(cases "")
      foreach(function ${${target}_FUNCTIONS})
        add_test(NAME ${target}_${function} COMMAND ${target} ${function})
        list(APPEND cases ${target}_${function})
      endforeach()
    else()
      add_test(NAME ${target} COMMAND ${target})
    endif()
    set_tests_properties(${cases} PROPERTIES
      LABELS "${T_LABEL}"
      TIMEOUT 300
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KESTROVA_BIN_DIR=${KESTROVA_BIN_DIR};KESTROVA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endforeach()
endfunction()
