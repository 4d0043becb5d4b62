# Sourced by the Wine test scripts: registry fixtures of the simulated notebook. The caller
# defines reg() (wine reg, quiet) and sets instance to a driver instance number of its own.
system_class='HKLM\SYSTEM\CurrentControlSet\Control\Class\{4d36e97d-e325-11ce-bfc1-08002be10318}'
usb_class='HKLM\SYSTEM\CurrentControlSet\Control\Class\{36fc9e60-c465-11cf-8056-444553540000}'
clsid='HKLM\Software\Classes\CLSID\{77A1C827-FCD2-4689-8915-9D613CC5FA3E}'

# install_drivers <acpi date> <acpi version> <sttube date> <sttube version>: the installed ACPI
# and STTube drivers as installed-driver discovery finds them.
install_drivers() {
  reg add "$system_class\\$instance" /v DriverDesc /t REG_SZ /d "Varnek(R) Brevix ACPI Control" /f
  reg add "$system_class\\$instance" /v DriverDate /t REG_SZ /d "$1" /f
  reg add "$system_class\\$instance" /v DriverVersion /t REG_SZ /d "$2" /f
  reg add "$usb_class\\$instance" /v DriverDesc /t REG_SZ /d "Varnek(R) Brevix DFU 0A04" /f
  reg add "$usb_class\\$instance" /v DriverDate /t REG_SZ /d "$3" /f
  reg add "$usb_class\\$instance" /v DriverVersion /t REG_SZ /d "$4" /f
}
