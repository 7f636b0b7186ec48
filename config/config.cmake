# The configuration folder as the front end reads it: the forms, the classification
# table, the stop list and the defaults of this folder together with the built morphology
# dictionary, assembled in build/config (the build tree's "Config Path") and installed
# as share/tolvar/config. Included, not added as a subdirectory, whose build files would
# land in build/config too.
include(GNUInstallDirs)
set(config_out "${PROJECT_BINARY_DIR}/config")
file(GLOB forms CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/*.tpl")
set(config_files ${forms}
    "${CMAKE_CURRENT_LIST_DIR}/classification.txt"
    "${CMAKE_CURRENT_LIST_DIR}/russian.stop"
    "${CMAKE_CURRENT_LIST_DIR}/defaults.ini"
    "${CMAKE_CURRENT_LIST_DIR}/README.md"
    "${CMAKE_CURRENT_LIST_DIR}/stopwords/LICENSE-Snowball.txt"
    "${CMAKE_CURRENT_LIST_DIR}/morph/LICENSE-OpenCorpora.txt")
set(config_deps ${config_files})
if(TARGET morph_dict)
  list(APPEND config_files "${PROJECT_BINARY_DIR}/morph/russian.dz")
  list(APPEND config_deps "${PROJECT_BINARY_DIR}/morph/russian.dz" morph_dict)
endif()
add_custom_command(
  OUTPUT "${config_out}/defaults.ini"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${config_out}"
  COMMAND ${CMAKE_COMMAND} -E copy ${config_files} "${config_out}/"
  DEPENDS ${config_deps}
  COMMENT "Assembling the configuration folder build/config"
  VERBATIM)
add_custom_target(config_folder ALL DEPENDS "${config_out}/defaults.ini")

install(FILES ${config_files} DESTINATION "${CMAKE_INSTALL_DATADIR}/tolvar/config")
