#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz harnesses into fuzz/corpus/ (run from anywhere)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

DOCUMENT = (
    '<?xml version="1.0" encoding="GB2312" standalone="no" ?>\r\n<tavrix>\r\n\t<system>\r\n'
    '\t\t<version>V2.13</version>\r\n\t\t<sequence_number>7</sequence_number>\r\n'
    '\t\t<default_parameter>false</default_parameter>\r\n\t\t<ethernet>\r\n'
    '\t\t\t<ipAddr>10.0.0.20</ipAddr>\r\n\t\t\t<ipMask>255.255.255.0</ipMask>\r\n'
    '\t\t\t<ipGate>10.0.0.1</ipGate>\r\n\t\t\t<multicast_ip>239.1.1.7</multicast_ip>\r\n'
    '\t\t\t<multicast_port>1234</multicast_port>\r\n\t\t\t<multicast_mode>rtp</multicast_mode>\r\n'
    '\t\t</ethernet>\r\n\t\t<old_password>ULDRULDR</old_password>\r\n'
    '\t\t<new_password></new_password>\r\n\t\t<lock_keyboard>true</lock_keyboard>\r\n'
    '\t\t<restart>false</restart>\r\n\t</system>\r\n\t<video>\r\n\t\t<input>sdi</input>\r\n'
    '\t\t<rate_mode>cbr</rate_mode>\r\n\t\t<cvbs_brightness>128</cvbs_brightness>\r\n'
    '\t\t<cvbs_contrast>120</cvbs_contrast>\r\n\t\t<cvbs_saturation>110</cvbs_saturation>\r\n'
    '\t\t<cvbs_hue>5</cvbs_hue>\r\n\t\t<bitrate>3500</bitrate>\r\n\t\t<TS_bitrate>4200</TS_bitrate>\r\n'
    '\t</video>\r\n\t<audio>\r\n\t\t<input>analog</input>\r\n'
    '\t\t<analog_left_volume>3</analog_left_volume>\r\n\t\t<analog_right_volume>4</analog_right_volume>\r\n'
    '\t\t<analog_bitrate>96</analog_bitrate>\r\n\t\t<analog_mode>mpeg1 layer2</analog_mode>\r\n'
    '\t\t<analog_channel_mode>stereo</analog_channel_mode>\r\n\t\t<sdi_volume>2</sdi_volume>\r\n'
    '\t\t<sdi_opt_group>1</sdi_opt_group>\r\n\t\t<sdi_exist_group>5</sdi_exist_group>\r\n'
    '\t\t<Audio_Delay>-30</Audio_Delay>\r\n\t</audio>\r\n\t<mux>\r\n\t\t<bitrate>4000</bitrate>\r\n'
    '\t\t<program_no>1</program_no>\r\n\t\t<pmt_pid>256</pmt_pid>\r\n\t\t<pcr_pid>257</pcr_pid>\r\n'
    '\t\t<video_pid>258</video_pid>\r\n\t\t<audio_pid>259</audio_pid>\r\n'
    '\t\t<prg_name>News &amp; \xd6\xd0\xce\xc4</prg_name>\r\n\t\t<prg_provider_name/>\r\n'
    '\t</mux>\r\n</tavrix>\r\n'
).encode('latin-1')
UTF8_DOCUMENT = b'<?xml version="1.0" encoding="UTF-8"?><tavrix><mux><prg_name>\xe4\xb8\xad\xe6</prg_name></mux></tavrix>'


def le32(value):
    return struct.pack('<i', value)


def configuration_reply(document):
    return le32(1004) + le32(len(document)) + document


def message_reply(oldest, texts):
    ring = b''.join(t.encode().ljust(50, b'\0')[:50] for t in texts)
    return le32(1007) + struct.pack('<b', oldest) + le32(len(ring)) + ring


def write_result(text):
    return le32(1003) + le32(len(text)) + text


def device_input(op, piece, first, second=b''):
    return bytes([op, piece]) + struct.pack('<H', len(first)) + first + second


def request(cmd, body=b''):
    return le32(cmd) + le32(len(body)) + body


def search_reply(address, device_type=6):
    body = struct.pack('<H', 1001) + bytes(address) + struct.pack('<H', device_type)
    return body + bytes([sum(body) % 256])


def datagrams(*items, fix_checksums=0):
    return bytes([fix_checksums]) + b''.join(struct.pack('<H', len(d)) + d for d in items)


def write(folder, name, data):
    path = os.path.join(HERE, 'corpus', folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), 'wb') as out:
        out.write(data)


ring = ['%04d Event %d' % (i, i) for i in range(10)]
write('config_document', 'encoder', DOCUMENT)
write('config_document', 'utf8', UTF8_DOCUMENT)
# Nesting that only TinyXML's own way of ending nodes reveals.
write('config_document', 'nesting-unknown-node', b'<?x><tavrix>' + b'<a>' * 70)
write('config_document', 'nesting-attribute', b'<tavrix>' + b'<a x="/>">' * 70)
write('config_document', 'nesting-entity', b'<tavrix>' + b'<a>&#x</a>x1;' * 70)
write('config_document', 'nesting-utf8', b'<?xml encoding="UTF&#45;8"?><tavrix>' + b'<a>\xe0</a>' * 70)
write('search_reply', 'valid', datagrams(search_reply([127, 0, 0, 5])))
write('search_reply', 'long', datagrams(search_reply([10, 0, 0, 9])[:-1] + b'\x01\x02\x03\x00', fix_checksums=1))
# Its first 1000 bytes are a reply, which is all the receive call keeps.
OVERSIZED = search_reply([127, 0, 0, 9])[:-1] + bytes(991)
OVERSIZED += bytes([sum(OVERSIZED) % 256]) + b'\x55' * 500
write('search_reply', 'oversized', datagrams(OVERSIZED))
write('search_reply', 'mixed', datagrams(search_reply([127, 0, 0, 6]), search_reply([127, 0, 0, 7], 7),
                                         search_reply([127, 0, 0, 8])[:8], b'\xe9\x03\x06\x00\xf2',
                                         bytes(20) + b'\x06\x00', fix_checksums=0x10))
write('device_replies', 'query', device_input(0, 255, message_reply(3, ring)))
write('device_replies', 'query-pieces', device_input(16, 7, message_reply(0, ring[:5] + [''] * 5)))
write('device_replies', 'fetch', device_input(1, 255, configuration_reply(DOCUMENT)))
write('device_replies', 'read-pieces', device_input(2, 100, configuration_reply(DOCUMENT)))
write('device_replies', 'send-ok-reread', device_input(3 | 8, 255, write_result(b'OK'), configuration_reply(DOCUMENT)))
write('device_replies', 'send-password', device_input(3, 3, write_result(b'PASSWORD ERR')))
write('device_replies', 'write', device_input(4, 255, message_reply(1, ring), write_result(b'OK')))
write('device_replies', 'start', device_input(5, 255, b''))
# The command line's set: read, then write to the address named; answers that are not whole.
write('device_replies', 'set-path', device_input(7, 255, configuration_reply(DOCUMENT), write_result(b'OK')))
write('device_replies', 'set-path-reread', device_input(7 | 8, 100, configuration_reply(DOCUMENT), write_result(b'OK')))
write('device_replies', 'send-ok-cut-short', device_input(3, 255, le32(1003) + le32(40) + b'OK'))
write('device_replies', 'send-other-command', device_input(3, 255, le32(1004) + le32(2) + b'OK'))
write('request_reader', 'get', b'\x08' + request(1004) + request(1007))
write('request_reader', 'send', b'\xff' + request(1003, DOCUMENT.replace(b'ULDRULDR', b'UUUUUUUU')))
write('request_reader', 'stream', b'\x01' + request(1005) + request(1006) + request(1002))

# The long and odd replies worth keeping in view: a 9999-byte document in 1- and 7-byte pieces, results
# longer than their 2000-byte buffer, negative lengths, and a ring announced as 9999 bytes.
LONG_DOCUMENT = b'<tavrix><mux><prg_name>' + b'N' * 9950
LONG_DOCUMENT = LONG_DOCUMENT[:9999 - 26] + b'</prg_name></mux></tavrix>'
assert len(LONG_DOCUMENT) == 9999
write('device_replies', 'fetch-9999-pieces-of-1', device_input(1, 0, configuration_reply(LONG_DOCUMENT)))
write('device_replies', 'read-9999-pieces-of-7', device_input(2, 6, configuration_reply(LONG_DOCUMENT)))
write('device_replies', 'read-negative', device_input(2, 255, le32(1004) + le32(-1) + DOCUMENT))
write('device_replies', 'send-rlen-2000', device_input(3, 255, le32(1003) + le32(2000) + b'OK' + b'x' * 1998))
write('device_replies', 'send-rlen-5000', device_input(3, 255, le32(1003) + le32(5000) + b'PASSWORD ERR' + bytes(4988)))
write('device_replies', 'send-rlen-5000-short', device_input(3 | 16, 255, le32(1003) + le32(5000) + b'x' * 100))
write('device_replies', 'send-rlen-negative', device_input(3, 255, le32(1003) + le32(-5) + b'OK'))
write('device_replies', 'query-9999', device_input(0, 0, le32(1007) + b'\x03' + le32(9999) + b'm' * 9999))
