# The sample firmware package: each program installs the files of its own catalogue into
# share/<program>/firmware/, where the package-resource lookup finds them beside the executable.
set(_firmware_dir ${PROJECT_SOURCE_DIR}/resources/firmware)
set(_shared_firmware
  "HVA 01.40.fw" HVA_300_0130.cwd HVA_600_0130.cwd
  "HVB 01.30.fw" HVB_300_0130.cwd HVB_600_0130.cwd
  "HVBD 01.13.fw"
  HV-QXA_300_0201.cwd HV-QXA_600_0100.cwd
  HVC_300_0100.cwd)
set(_printer_flasher_firmware ${_shared_firmware}
  "HV-QXA 02.05.fw" "HVC 01.41.fw" HVC_600_0110.cwd HVC_610_0110.cwd)
set(_serial_switcher_firmware ${_shared_firmware}
  "HV-QXA 02.04.fw" "HVC 01.21.fw" HVC_600_0100.cwd HVC_610_0100.cwd)

foreach(_program printer-flasher serial-switcher)
  string(REPLACE "-" "_" _var "${_program}")
  set(_files)
  foreach(_name IN LISTS _${_var}_firmware)
    list(APPEND _files "${_firmware_dir}/${_name}")
  endforeach()
  install(FILES ${_files} DESTINATION share/${_program}/firmware)
endforeach()
