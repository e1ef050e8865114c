# Real shared objects for the registration tests (see RegistrationModule.c). Each target is
# vorel_module_<kind>, written as <kind>.so into the modules folder.
set(module_kinds ok s-false failure no-entry missing-symbol)
set(module_defines_ok REGISTER_RESULT=0)
set(module_defines_s-false REGISTER_RESULT=1)
set(module_defines_failure REGISTER_RESULT=-2147467259)  # E_FAIL, 0x80004005
set(module_defines_no-entry REGISTER_RESULT=0 NO_ENTRY)
set(module_defines_missing-symbol REGISTER_RESULT=0 MISSING_SYMBOL)
foreach(kind IN LISTS module_kinds)
  add_library(vorel_module_${kind} MODULE ${CMAKE_CURRENT_LIST_DIR}/RegistrationModule.c)
  target_compile_definitions(vorel_module_${kind} PRIVATE ${module_defines_${kind}})
  target_link_libraries(vorel_module_${kind} PRIVATE ${CMAKE_DL_LIBS})
  set_target_properties(vorel_module_${kind} PROPERTIES PREFIX "" OUTPUT_NAME ${kind}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/modules)
  set_property(GLOBAL APPEND PROPERTY VOREL_TEST_MODULES vorel_module_${kind})
endforeach()

# Lets test program <target> load the modules: VOREL_TEST_MODULE_DIR names their folder.
function(vorel_use_test_modules target)
  target_compile_definitions(${target} PRIVATE VOREL_TEST_MODULE_DIR="$<TARGET_FILE_DIR:vorel_module_ok>")
  get_property(modules GLOBAL PROPERTY VOREL_TEST_MODULES)
  add_dependencies(${target} ${modules})
endfunction()
