#!/usr/bin/env python3
"""Writes the seed inputs of each fuzz target into corpus/<target>/: small, valid or nearly
valid cases of each format, laid out the way the target reads its input."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(os.path.dirname(here))


def u16(text):
    return text.encode('utf-16-le')


def lat(text):  # Input::Latin1: a length byte, then the bytes
    b = text.encode('latin-1')
    return bytes([len(b)]) + b


def w(text):  # Input::Utf16: a length byte, then the units
    return bytes([len(text)]) + u16(text)


def package(entries, first=0, pad=b''):
    body = pad
    for name, data in entries:
        n = u16(name)
        body += struct.pack('<II', len(data), len(n)) + n + data
    return body + struct.pack('<IIII', first, len(body), len(entries), len(body) + 16)


def write(target, name, data):
    d = os.path.join(here, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), 'wb') as f:
        f.write(data)


inf = b'[Version]\r\nSignature="$WINDOWS NT$"\r\nClass=System\r\nDriverVer=08/06/2013,1.1.0\r\n\r\n[Strings]\r\nDeviceDesc="Varnek(R) Brevix ACPI Control"\r\n'
pidvid = b'\xff\xfe' + u16('VID_7A1C&PID_09FA|\r\nVID_7A1D&PID_0A04|\r\nVRK33D1|\r\n')
errors = open(os.path.join(root, 'resources/package/ErrorCode.ini'), 'rb').read().replace(b'\n', b'\r\n')
firmware = 'Varnek(R)_Sensor_Hub_Firmware_Sensors_1.0.221212_221212.css_signed.dfu.encrypted'

# package_reader: the package as the product carries it, in small.
write('package_reader', 'product', package([('DRIVER\\ACPI\\dpinst.exe', b'MZ\x90\x00'),
                                           ('DRIVER\\ACPI\\VarnekBrevixAcpi.inf', inf),
                                           ('DRIVER\\FIRMWARE\\File\\' + firmware, b'\x01\x02'),
                                           ('DRIVER\\STTUBE\\x64\\STTub30.sys', b'sys'),
                                           ('ErrorCode.ini', errors[:120]), ('PidVid', pidvid)]))
write('package_reader', 'first-offset', package([('PidVid', pidvid)], first=5, pad=b'\x00' * 5))
write('package_reader', 'device-name', package([('PidVid', pidvid), ('sub\\NUL.txt', b'x')]))
write('package_reader', 'same-name', package([('PidVid', pidvid), ('PIDVID', b'x')]))

# language_table: section, key, then the table in its resource form.
english = open(os.path.join(root, 'resources/lang/212_en.ini'), encoding='utf-8').read()
table = b'\xff\xfe' + u16(english[:1400].replace('\n', '\r\n'))
write('language_table', 'checking', lat('Checking') + lat('Checking01') + table)
write('language_table', 'later-section', lat('License') + lat('Checking14') + table)
write('language_table', 'no-bom', lat('Publisher') + lat('Publisher01') + u16('[Publisher]\r\nPublisher01=x\r\n'))

# ini_profile: section, key, default, buffer size, then the file.
write('ini_profile', 'inf', lat('Version') + lat('DriverVer') + lat('') + bytes([30]) + inf)
write('ini_profile', 'error-codes', lat('upgrading') + lat('0xee030004') + lat('Illegal') + bytes([255]) + errors)
write('ini_profile', 'utf16', lat('Version') + lat('DriverVer') + lat('N/A') + bytes([30]) + b'\xff\xfe' + u16(inf.decode()))

# version_text: registry DriverDate and DriverVersion, then the INF.
write('version_text', 'acpi', w('6-21-2013') + w('1.0.0.5') + inf)
write('version_text', 'sttube', w('7-5-2012') + w('3.0.4.0') + inf.replace(b'08/06/2013,1.1.0', b'07/05/2012,3.0.4.0'))

# firmware_name: the file name.
write('firmware_name', 'shipped', u16(firmware))
write('firmware_name', 'short', u16('fw_1.0.22121.dfu'))


def tick(flags, messages, ms=75):
    out = bytes([flags, len(messages)])
    for m in messages:
        out += bytes([len(m)]) + m
    return out + struct.pack('<H', ms)


def dfu(status, kind, value=0):
    return struct.pack('<HHH', status, kind, value)


# mailslot_poll: output mode, then ticks of facts, messages and clock steps.
flashing = 1 | 2 | 4 | 8
write('mailslot_poll', 'success', b'\x00' + tick(1, []) + tick(flashing, [dfu(0, 2)]) +
      b''.join(tick(flashing, [dfu(0, 4, p)]) for p in (10, 50, 100)) + tick(flashing, [dfu(0, 5)]))
write('mailslot_poll', 'failure-console', b'\x01' + tick(1 | 4 | 8, [dfu(0, 4, 30)]) + tick(flashing, [dfu(1, 3)]))
write('mailslot_poll', 'odd-sizes', b'\x00' + tick(flashing, [b'\x00' * 5, b'\x00' * 7, b'']) + tick(2 | 4, [dfu(0, 4, 200)], 4000))

# registry_strings: kind, instances, then per instance: openable, values present, each value.
acpi_date = bytes([0x40]) + bytes([len(u16('6-21-2013'))]) + u16('6-21-2013')
write('registry_strings', 'acpi', b'\x00\x01' + b'\x00\x07' + b'\x01' + acpi_date + bytes([0x40, 8]) + u16('1.0.'))
write('registry_strings', 'sttube-second', b'\x01\x02' + b'\x00\x01\x80\x02xx' + b'\x00\x07\x06' + acpi_date +
      bytes([0x41, 6]) + u16('3.0'))

# digest_record: the record alone, for a package whose entries hold their own names' bytes
# (fuzz/digest_record.cpp).
import hashlib
digested = ['DRIVER\\ACPI\\dpinst.exe', 'DRIVER\\ACPI\\VarnekBrevixAcpi.inf',
            'DRIVER\\FIRMWARE\\File\\' + firmware, 'DRIVER\\FIRMWARE\\Tool\\VarnekDFU.exe',
            'DRIVER\\FIRMWARE\\Tool\\STDFU.dll', 'DRIVER\\STTUBE\\STtube.inf', 'DRIVER\\STTUBE\\x64\\STTub30.sys']
sums = [hashlib.sha256(n.encode()).hexdigest() + ' *' + n.replace('\\', '/') + '\r\n' for n in digested]
write('digest_record', 'complete', ''.join(sums).encode())
write('digest_record', 'without-tool', ''.join(s for s in sums if '/Tool/' not in s).encode())
write('digest_record', 'lf-only', ''.join(sums).replace('\r\n', '\n').encode())
write('digest_record', 'twice', (sums[0] + sums[0][:66] + sums[0][66:].upper()).encode())
