# USB ids of the printer family. The defaults are placeholders from an unused range so that the
# simulated printers and the tests have stable values; set the real ids at build time, e.g.
#   cmake -DPRINTER_TOOLS_ZEV_VENDOR_ID_PRIMARY=0x.... -DPRINTER_TOOLS_ZEV_PRODUCT_ID_HVC=0x.... ...
set(PRINTER_TOOLS_ZEV_VENDOR_ID_PRIMARY "0xF0E1" CACHE STRING "USB vendor id of the printer family (placeholder)")
set(PRINTER_TOOLS_ZEV_VENDOR_ID_SECONDARY "0xF0E2" CACHE STRING "Second USB vendor id of the printer family (placeholder)")
set(PRINTER_TOOLS_ZEV_PRODUCT_ID_HVA "0x0A01" CACHE STRING "USB product id of the HVA (placeholder)")
set(PRINTER_TOOLS_ZEV_PRODUCT_ID_HVB "0x0A02" CACHE STRING "USB product id of the HVB (placeholder)")
set(PRINTER_TOOLS_ZEV_PRODUCT_ID_HVQXA "0x0A03" CACHE STRING "USB product id of the HV-QXA (placeholder)")
set(PRINTER_TOOLS_ZEV_PRODUCT_ID_HVBD "0x0A04" CACHE STRING "USB product id of the HVBD (placeholder)")
set(PRINTER_TOOLS_ZEV_PRODUCT_ID_HVC "0x0A05" CACHE STRING "USB product id of the HVC (placeholder)")
set(PRINTER_TOOLS_ZEV_PRODUCT_ID_EIGHT_TABLE "0x0A06" CACHE STRING "USB product id of the eight-table model (placeholder)")

# The ids reach the code as one generated header, "generated/zev_usb_ids.h", through the interface
# target usb_ids: the host's product table and the printer device model each link it, so both are
# built for the same printers without either asking the other.
set(_usb_ids_root ${PROJECT_BINARY_DIR}/layers/usb_ids)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zev_usb_ids.h.in ${_usb_ids_root}/generated/zev_usb_ids.h @ONLY)
add_library(usb_ids INTERFACE)
target_include_directories(usb_ids INTERFACE ${_usb_ids_root})
