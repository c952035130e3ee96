# The USB vendor ID the whole build follows: the library looks for it, the
# virtual reader presents it, the tests expect it and the udev rule and the
# AppStream hardware hint name it. Sets korvel_vendor_hex ("1209") and
# korvel_vendor_hex_upper ("1209", "16C0").
if(NOT KORVEL_VENDOR_ID MATCHES "^0[xX][0-9a-fA-F]+$")
  message(FATAL_ERROR "KORVEL_VENDOR_ID must be hexadecimal with 0x, e.g. 0x1209 (is '${KORVEL_VENDOR_ID}')")
endif()
math(EXPR korvel_vendor_dec "${KORVEL_VENDOR_ID}")
if(korvel_vendor_dec LESS 1 OR korvel_vendor_dec GREATER 65535)
  message(FATAL_ERROR "KORVEL_VENDOR_ID must lie in 0x0001..0xFFFF (is ${KORVEL_VENDOR_ID})")
endif()
math(EXPR korvel_vendor_hex "${korvel_vendor_dec} + 65536" OUTPUT_FORMAT HEXADECIMAL)
string(SUBSTRING "${korvel_vendor_hex}" 3 4 korvel_vendor_hex)
string(TOLOWER "${korvel_vendor_hex}" korvel_vendor_hex)
string(TOUPPER "${korvel_vendor_hex}" korvel_vendor_hex_upper)

# The code meets the vendor ID under the same name, as a number: every target
# that needs it links korvel_vendor.
add_library(korvel_vendor INTERFACE)
target_compile_definitions(korvel_vendor INTERFACE KORVEL_VENDOR_ID=${KORVEL_VENDOR_ID})
