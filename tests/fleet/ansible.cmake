# fleet.ansible: the example playbook of contrib/ansible rolls firmware out to three kiosks of
# simulated printers on this machine (ansible_connection=local), twice. It needs ansible-playbook
# (ansible-core 2.14 or newer) and fails, saying so, without it. Everything Ansible and the program
# write goes to a temporary folder.
add_test(NAME fleet.ansible
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/test_ansible.py
          $<TARGET_FILE:printer-flasher> ${PROJECT_SOURCE_DIR})
set_tests_properties(fleet.ansible PROPERTIES TIMEOUT 300
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;PRINTER_TOOLS_RESOURCES=${PROJECT_SOURCE_DIR}/resources;${_no_print_system};${_no_user_folders};${_sanitizer_env}")
