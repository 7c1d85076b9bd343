-- Wireshark (4.0 and later) dissector for the USB captures that printer-flasher writes with --capture:
-- explains the printers' command frames, their replies and the program's notes on top of Wireshark's
-- own usbmon decoding.
--
--   tshark -X lua_script:printer-tools.lua -r update.pcap -Y printertools.command \
--          -T fields -e printertools.command
--
-- Or copy the file into ~/.local/lib/wireshark/plugins/ to have it in every Wireshark session.
--
-- How the program lays its traffic onto usbmon (DLT_USB_LINUX_MMAPPED):
--  - every operation is one URB: a submission 'S' and a completion 'C' with the same URB id; bulk OUT
--    data travels with the submission, bulk IN data with the completion;
--  - the URB id's high 32 bits are the printer's location id, its low 32 bits a running number;
--  - the status is 0, a negative errno, or the program's own 32-bit result code;
--  - operations that move no data of their own are "notes": control URBs with bmRequestType 0xC3,
--    bRequest 0x50, wValue the note's kind, wIndex its argument;
--  - a long bulk OUT transfer may keep only its first bytes; a Truncated note right after it carries
--    the full length (8 bytes, little-endian) and the SHA-256 of everything that was sent.
--
-- The frames: ESC 'P', a six-character command word, a 16-character sub-command field, an 8-digit
-- payload length (blank for none), 32 bytes in all, then the payload, which may go out over several
-- transfers. A reply is read as two bulk IN transfers: 8 digits of body length, then the body, which
-- ends at its first CR.
--
-- Nothing in a capture is trusted: every read is bounded by what the packet holds, and anything this
-- file cannot make sense of is reported as an expert item, never as a Lua error.

local proto = Proto("printertools", "Printer tools USB traffic")

local HEADER = 64 -- the usbmon header
local NOTE_REQUEST_TYPE = 0xC3
local NOTE_REQUEST = 0x50
local NOTE_TRUNCATED = 0x00FF
local FRAME_HEADER = 32
local REPLY_LENGTH_DIGITS = 8
local REPLY_MAX_BODY = 4096
local STATUS_FIRMWARE_UPDATE_MODE = "FU00001"

local note_names = {
    [3] = "arrival",
    [4] = "leave",
    [5] = "device open",
    [6] = "device close",
    [7] = "device reset",
    [8] = "re-enumerate",
    [9] = "interface open",
    [10] = "interface close",
    [NOTE_TRUNCATED] = "truncated",
}

-- The printers' status codes (the leading number of a status reply) and their texts.
local status_texts = {
    [0] = "Idle", [1] = "Printing", [500] = "Head cool down cycle", [510] = "Motor cool down cycle",
    [900] = "Sleeping (standby mode)", [1000] = "Cover Open", [1010] = "Scrap Box Missing",
    [1100] = "Paper End", [1200] = "Ribbon End", [1300] = "Paper Jam", [1400] = "Ribbon Error",
    [1500] = "Wrong Paper", [1600] = "Bad Data", [2000] = "Head Voltage Error",
    [2100] = "Head Position Error", [2200] = "Power supply Error", [2300] = "Cutter Error",
    [2400] = "Pinch Roller Error", [2500] = "Head Temp High Error", [2600] = "Media Temp Error",
    [2610] = "Motor Temp Error", [2700] = "Ribbon Tension Error", [2800] = "RFID Module Error",
    [3000] = "System Fail Error",
}

-- The errnos the program writes for its results, and the result codes it may write as they are.
local errno_names = {
    [2] = "ENOENT (unknown pipe)", [5] = "EIO (error)", [6] = "ENXIO (not found)",
    [9] = "EBADF (not open)", [12] = "ENOMEM (no memory)", [13] = "EACCES (not privileged)",
    [16] = "EBUSY (exclusive access)", [19] = "ENODEV (no device)", [22] = "EINVAL (bad argument)",
    [32] = "EPIPE (pipe stalled)", [71] = "EPROTO (not responding)", [75] = "EOVERFLOW (overrun)",
    [104] = "ECONNRESET (aborted)", [110] = "ETIMEDOUT (timed out)", [115] = "EINPROGRESS (submitted)",
    [121] = "EREMOTEIO (underrun)",
}
local result_names = {
    [0xE00002BC] = "error", [0xE00002BD] = "no memory", [0xE00002C0] = "no device",
    [0xE00002C2] = "bad argument", [0xE00002C5] = "exclusive access", [0xE00002CD] = "not open",
    [0xE00002D6] = "timed out", [0xE00002E7] = "underrun", [0xE00002E8] = "overrun",
    [0xE00002EB] = "aborted", [0xE00002ED] = "not responding", [0xE00002F0] = "not found",
    [0xE000404F] = "pipe stalled", [0xE0004051] = "transaction timed out",
}

local pf = {
    location = ProtoField.uint32("printertools.location", "Location id", base.HEX),
    sequence = ProtoField.uint32("printertools.sequence", "Operation number", base.DEC),
    operation = ProtoField.string("printertools.operation", "Operation"),
    result = ProtoField.int32("printertools.result", "Result", base.DEC),
    result_text = ProtoField.string("printertools.result_text", "Result text"),
    request_in = ProtoField.framenum("printertools.request_in", "Submitted in"),

    command = ProtoField.string("printertools.command", "Command"),
    word = ProtoField.string("printertools.word", "Command word"),
    subcommand = ProtoField.string("printertools.subcommand", "Sub-command"),
    length = ProtoField.uint32("printertools.length", "Payload length", base.DEC),
    length_field = ProtoField.string("printertools.length_field", "Length field"),
    payload = ProtoField.bytes("printertools.payload", "Payload (captured part)"),
    payload_here = ProtoField.uint32("printertools.payload_here", "Payload bytes in this transfer", base.DEC),
    continuation = ProtoField.framenum("printertools.continuation_of", "Continues the frame in"),
    remaining = ProtoField.uint32("printertools.remaining", "Payload bytes still to come", base.DEC),
    full_length = ProtoField.uint64("printertools.full_length", "Full transfer length", base.DEC),
    digest = ProtoField.string("printertools.digest", "SHA-256 of the full transfer"),
    truncated_in = ProtoField.framenum("printertools.truncated_note", "Truncated note in"),
    cut_transfer = ProtoField.framenum("printertools.cut_transfer", "Cut transfer in"),

    reply_length = ProtoField.uint32("printertools.reply_length", "Reply body length", base.DEC),
    reply = ProtoField.string("printertools.reply", "Reply"),
    status = ProtoField.string("printertools.status", "Printer status code"),
    status_text = ProtoField.string("printertools.status_text", "Printer status"),
    reply_to = ProtoField.framenum("printertools.reply_to", "Answers the command in"),

    note = ProtoField.string("printertools.note", "Note"),
    note_kind = ProtoField.uint16("printertools.note_kind", "Note kind", base.HEX),
    note_argument = ProtoField.uint16("printertools.note_argument", "Note argument", base.HEX),
    vendor = ProtoField.uint16("printertools.vendor", "Vendor id", base.HEX),
    product = ProtoField.uint16("printertools.product", "Product id", base.HEX),
    release = ProtoField.uint16("printertools.release", "Device release", base.HEX),
    serial_index = ProtoField.uint8("printertools.serial_index", "Serial number string index", base.DEC),
    arrival_location = ProtoField.uint32("printertools.arrival_location", "Location id (arrival)", base.HEX),
    class_name = ProtoField.string("printertools.class_name", "Service class"),
}
proto.fields = {}
for _, field in pairs(pf) do
    table.insert(proto.fields, field)
end

local ex = {
    malformed = ProtoExpert.new("printertools.malformed", "Not what the program writes",
                                expert.group.MALFORMED, expert.severity.WARN),
    cut = ProtoExpert.new("printertools.cut", "Transfer kept in part only",
                          expert.group.SEQUENCE, expert.severity.NOTE),
    failed = ProtoExpert.new("printertools.failed", "Operation failed",
                             expert.group.RESPONSE_CODE, expert.severity.WARN),
    internal = ProtoExpert.new("printertools.internal", "Dissector could not read the packet",
                               expert.group.MALFORMED, expert.severity.ERROR),
}
proto.experts = { ex.malformed, ex.cut, ex.failed, ex.internal }

-- ---- bytes --------------------------------------------------------------------------------------------
-- Offsets are 0-based like the tvb's; every reader returns nil past the end of `s`.

local function u8(s, o)
    if o + 1 > #s then return nil end
    return s:byte(o + 1)
end
local function le16(s, o)
    if o + 2 > #s then return nil end
    local a, b = s:byte(o + 1, o + 2)
    return a + b * 256
end
local function le32(s, o)
    if o + 4 > #s then return nil end
    local a, b, c, d = s:byte(o + 1, o + 4)
    return a + b * 256 + c * 65536 + d * 16777216
end
local function le32s(s, o)
    local v = le32(s, o)
    if v and v >= 2147483648 then v = v - 4294967296 end
    return v
end

-- Printable ASCII as it is, everything else as \xNN (so a field never holds invalid UTF-8).
local function printable(s)
    return (s:gsub("[^\32-\126]", function(c) return string.format("\\x%02x", c:byte()) end))
end

local function hex(s)
    return (s:gsub(".", function(c) return string.format("%02x", c:byte()) end))
end

-- Reads a number like the program does (white space, a sign, digits); nil without digits.
local function leading_number(s)
    local sign, digits = s:match("^[ \t\n\v\f\r]*([+-]?)(%d+)")
    if not digits then return nil end
    local value = tonumber(digits) or 0
    if sign == "-" then value = -value end
    return value
end

local function result_text(status)
    if status == 0 then return "success" end
    if status < 0 and status > -4096 then
        return errno_names[-status] or string.format("errno %d", -status)
    end
    local code = status % 4294967296
    return string.format("0x%08x%s", code, result_names[code] and (" (" .. result_names[code] .. ")") or "")
end

local function status_text(code)
    if code == STATUS_FIRMWARE_UPDATE_MODE then return "Firmware Update Mode" end
    local n = leading_number(code) or 0
    return status_texts[n] or "Unknown Status"
end

-- ---- state over the capture ---------------------------------------------------------------------------
-- The first pass works out what every packet is (the frames a payload belongs to, which read is a
-- length and which a body) and keeps it by frame number; later passes show what was kept.

local urbs       -- URB id (8 raw bytes) -> its submission: { frame, requested, setup }
local printers   -- location id -> per-printer state
local analysis   -- frame number -> what the packet is
local cut_notes  -- frame number of a cut bulk OUT transfer -> its Truncated note

local function reset()
    urbs, printers, analysis, cut_notes = {}, {}, {}, {}
end
reset()

local function printer(location)
    local p = printers[location]
    if not p then
        -- remaining: payload bytes of the last frame still to come; expect_body: the length the last
        -- reply length record announced; command: the last command sent (with its frame number).
        p = { remaining = 0, expect_body = nil }
        printers[location] = p
    end
    return p
end

-- A bulk OUT submission: a frame header, or the rest of an earlier frame's payload.
local function analyse_out(a, p, s, data_at, captured, urb_length, frame)
    a.kind = "out"
    p.last_out = frame
    p.expect_body = nil
    if p.remaining > 0 then
        a.continuation = p.command_frame
        a.command = p.command
        a.payload_here = math.min(urb_length, p.remaining)
        p.remaining = p.remaining - a.payload_here
        a.remaining = p.remaining
        if urb_length > a.payload_here then
            a.problem = string.format("%d bytes beyond the payload the frame announced",
                                      urb_length - a.payload_here)
        end
        return
    end
    local data = s:sub(data_at + 1, data_at + captured)
    if #data < FRAME_HEADER or data:byte(1) ~= 0x1B or data:byte(2) ~= 0x50 then
        a.problem = string.format("bulk OUT data (%d bytes) that is not a command frame", urb_length)
        return
    end
    a.word = data:sub(3, 8)
    a.subcommand = data:sub(9, 24):gsub("[ %z]+$", "")
    a.command = a.word .. a.subcommand
    a.length_field = data:sub(25, 32)
    if a.length_field:match("^ +$") then
        a.length = 0
    elseif a.length_field:match("^%d+$") then
        a.length = tonumber(a.length_field)
    else
        a.length = 0
        a.problem = "length field \"" .. printable(a.length_field) .. "\" is not a number"
    end
    a.payload_here = math.min(math.max(urb_length - FRAME_HEADER, 0), a.length)
    p.remaining = a.length - a.payload_here
    a.remaining = p.remaining
    if urb_length - FRAME_HEADER > a.payload_here then
        a.problem = a.problem or string.format("%d bytes beyond the payload the frame announced",
                                               urb_length - FRAME_HEADER - a.payload_here)
    end
    p.command = a.command
    p.command_frame = frame
end

-- A bulk IN completion: a reply length record, a reply body, or bytes drained from the pipe.
local function analyse_in(a, p, s, data_at, captured, urb_length, status)
    a.kind = "in"
    a.reply_to = p.command_frame
    local data = s:sub(data_at + 1, data_at + captured)
    if status ~= 0 then
        p.expect_body = nil
        a.in_stage = "failed read"
        return
    end
    if p.expect_body then
        a.in_stage = "body"
        a.body = data:match("^([^\r]*)") or data
        if urb_length < p.expect_body then
            a.problem = string.format("body of %d bytes where %d were announced", urb_length, p.expect_body)
        end
        if p.command == "STATUS" then
            a.printer_status = a.body:match("^([^%z]*)")
            a.status_text = status_text(a.printer_status)
        end
        p.expect_body = nil
        return
    end
    if urb_length == REPLY_LENGTH_DIGITS and captured >= REPLY_LENGTH_DIGITS then
        a.in_stage = "length"
        a.length_digits = data
        local n = leading_number(data)
        if not n then
            a.problem = "reply length \"" .. printable(data) .. "\" has no digits"
        elseif n < 0 or n > REPLY_MAX_BODY then
            a.reply_length = n
            a.problem = string.format("reply length %d is refused (at most %d)", n, REPLY_MAX_BODY)
        else
            a.reply_length = n
            if n > 0 then p.expect_body = n end
        end
        return
    end
    a.in_stage = "other"
end

local function analyse_note(a, p, s, data_at, captured, setup, location, frame, status)
    a.kind = "note"
    a.note_kind = setup.wValue
    a.note_argument = setup.wIndex
    a.note = note_names[setup.wValue] or string.format("note 0x%04x", setup.wValue)
    if setup.wValue >= 3 and setup.wValue <= 8 and setup.wValue ~= 5 then
        -- The printer came, went or restarted: no payload or reply of before is still on its way.
        p.remaining, p.expect_body = 0, nil
    end
    if not a.completion or status ~= 0 then return end
    local d = s:sub(data_at + 1, data_at + captured)
    if setup.wValue == 3 then
        a.vendor, a.product, a.release = le16(d, 8), le16(d, 10), le16(d, 12)
        a.serial_index = u8(d, 16)
        local total = le16(d, 18 + 2)
        if u8(d, 0) ~= 18 or u8(d, 1) ~= 1 or not total or u8(d, 19) ~= 2 then
            a.problem = "arrival data without a device and a configuration descriptor"
        else
            a.arrival_location = le32(d, 18 + total)
            if not a.arrival_location then
                a.problem = "arrival data ends before the location id"
            else
                a.arrival_location_at = 18 + total
                a.class_name = d:sub(18 + total + 5)
                if a.arrival_location ~= location then
                    a.problem = string.format("arrival says location 0x%08x, the URB id 0x%08x",
                                              a.arrival_location, location)
                end
            end
        end
    elseif setup.wValue == NOTE_TRUNCATED then
        local lo, hi = le32(d, 0), le32(d, 4)
        if not lo or #d < 8 + 32 then
            a.problem = "truncated note without a length and a SHA-256"
            return
        end
        a.full_length = UInt64(lo, hi)
        a.digest = d:sub(9, 40)
        a.cut_transfer = p.last_out
        if p.last_out then
            cut_notes[p.last_out] = { note = frame, full_length = a.full_length, digest = a.digest }
            local cut = analysis[p.last_out]
            if cut and not cut.cut then
                a.problem = "the bulk OUT transfer before it was kept whole"
            elseif cut and cut.urb_length and UInt64(cut.urb_length) ~= a.full_length then
                a.problem = string.format("the cut transfer says %d bytes", cut.urb_length)
            end
        else
            a.problem = "no bulk OUT transfer before it"
        end
    end
end

-- What the packet `s` (usbmon header and captured data) is.
local function analyse(s, frame)
    if #s < HEADER then return { short = true } end
    local a = {}
    local urb_key = s:sub(1, 8)
    a.sequence = le32(s, 0)
    a.location = le32(s, 4)
    local urb_type = string.char(s:byte(9))
    local transfer_type = s:byte(10)
    local endpoint = s:byte(11)
    a.status = le32s(s, 28)
    a.urb_length = le32(s, 32)
    local captured = math.min(le32(s, 36), #s - HEADER)
    a.captured = captured
    a.completion = urb_type == "C"
    local p = printer(a.location)

    if urb_type == "S" then
        local entry = { frame = frame, requested = a.urb_length }
        if transfer_type == 2 and s:byte(15) == 0 then
            entry.setup = { bmRequestType = s:byte(41), bRequest = s:byte(42), wValue = le16(s, 42),
                            wIndex = le16(s, 44), wLength = le16(s, 46) }
        end
        urbs[urb_key] = entry
    elseif urb_type ~= "C" then
        a.kind = "other"
        a.problem = string.format("URB type 0x%02x is neither a submission nor a completion", s:byte(9))
        return a
    end
    local submitted = urbs[urb_key]
    if a.completion then
        if submitted then a.request_in = submitted.frame
        else a.problem = "completion without its submission" end
    end

    if transfer_type == 3 and endpoint < 0x80 then
        a.kind = "out"
        if urb_type == "S" then
            analyse_out(a, p, s, HEADER, captured, a.urb_length, frame)
            if captured < a.urb_length then a.cut = true end
        else
            local sent = submitted and analysis[submitted.frame]
            if sent then
                a.command, a.continuation = sent.command, sent.continuation
            end
            if a.status ~= 0 then p.remaining = 0 end -- the program gives the frame up
        end
    elseif transfer_type == 3 then
        a.kind = "in"
        if urb_type == "C" then
            analyse_in(a, p, s, HEADER, captured, a.urb_length, a.status)
        else
            a.in_stage = p.expect_body and "body" or
                         (a.urb_length == REPLY_LENGTH_DIGITS and "length" or "other")
        end
    elseif transfer_type == 2 then
        local setup = submitted and submitted.setup
        if setup and setup.bmRequestType == NOTE_REQUEST_TYPE and setup.bRequest == NOTE_REQUEST then
            analyse_note(a, p, s, HEADER, captured, setup, a.location, frame, a.status)
        else
            a.kind = "control"
        end
    else
        a.kind = "other"
    end
    return a
end

-- ---- showing ------------------------------------------------------------------------------------------

local function range(tvb, offset, length)
    if offset + length <= tvb:len() and length > 0 then return tvb:range(offset, length) end
    return nil
end

-- Adds `value` to `tree`, over its bytes when the packet holds them; nothing when there is no value.
local function add(tree, field, tvb, offset, length, value)
    if value == nil then return nil end
    local r = range(tvb, offset, length)
    if r then return tree:add(field, r, value) end
    return tree:add(field, value)
end

local function info_for(a)
    if a.kind == "out" then
        if a.completion then
            local what = a.command and printable(a.command) or "bulk OUT"
            if a.status ~= 0 then return what .. " not sent: " .. result_text(a.status) end
            return what .. " sent"
        end
        if a.continuation then
            return string.format("payload continues: %d bytes of %s (frame %d), %d to come",
                                 a.payload_here, printable(a.command or "?"), a.continuation, a.remaining)
        end
        if not a.command then return "bulk OUT, not a command frame" end
        local text = string.format("%s → (length %d)", printable(a.command), a.length)
        if a.remaining > 0 then text = text .. string.format(", %d bytes to come", a.remaining) end
        return text
    elseif a.kind == "in" then
        if not a.completion then
            if a.in_stage == "length" then return "read reply length" end
            if a.in_stage == "body" then return string.format("read reply body (%d bytes)", a.urb_length) end
            return string.format("read %d bytes", a.urb_length)
        end
        if a.status ~= 0 then return "read failed: " .. result_text(a.status) end
        if a.in_stage == "length" then return "reply " .. printable(a.length_digits) end
        if a.in_stage == "body" then
            local text = "reply body \"" .. printable(a.body) .. "\""
            if a.status_text then text = text .. " (" .. a.status_text .. ")" end
            return text
        end
        return string.format("%d bytes read outside a reply", a.urb_length)
    elseif a.kind == "note" then
        if a.vendor and a.product and a.arrival_location then
            return string.format("arrival %04x:%04x at 0x%08x", a.vendor, a.product, a.arrival_location)
        end
        if a.full_length then
            return string.format("truncated: %s bytes in all, SHA-256 %s…", tostring(a.full_length),
                                 hex(a.digest:sub(1, 8)))
        end
        local text = a.note
        if a.note_kind == 8 then text = text .. string.format(" (options 0x%x)", a.note_argument) end
        if a.completion and a.status ~= 0 then text = text .. ": " .. result_text(a.status) end
        return text
    end
    return nil
end

local function show(a, tvb, pinfo, tree, frame)
    local t = tree:add(proto, tvb:range(0, math.min(tvb:len(), HEADER)))
    if a.short then
        t:add_proto_expert_info(ex.malformed, "shorter than the usbmon header")
        return
    end
    add(t, pf.location, tvb, 4, 4, a.location)
    add(t, pf.sequence, tvb, 0, 4, a.sequence)
    if a.request_in then t:add(pf.request_in, a.request_in) end
    if a.completion then
        add(t, pf.result, tvb, 28, 4, a.status)
        t:add(pf.result_text, result_text(a.status))
        if a.status ~= 0 and a.status ~= -115 then
            t:add_proto_expert_info(ex.failed, "failed: " .. result_text(a.status))
        end
    end
    local info = info_for(a)

    if a.kind == "out" then
        t:add(pf.operation, "bulk OUT")
        if not a.completion and a.word then
            -- Only the frame's own submission carries the command, so the field lists what was sent.
            t:add(pf.command, a.command)
            add(t, pf.word, tvb, HEADER + 2, 6, a.word)
            add(t, pf.subcommand, tvb, HEADER + 8, 16, a.subcommand)
            add(t, pf.length_field, tvb, HEADER + 24, 8, printable(a.length_field))
            add(t, pf.length, tvb, HEADER + 24, 8, a.length)
            t:add(pf.payload_here, a.payload_here)
            local shown = math.min(a.captured - FRAME_HEADER, a.payload_here)
            if shown > 0 then t:add(pf.payload, tvb:range(HEADER + FRAME_HEADER, shown)) end
        elseif not a.completion and a.continuation then
            t:add(pf.continuation, a.continuation)
            t:add(pf.payload_here, a.payload_here)
            local shown = math.min(a.captured, a.payload_here)
            if shown > 0 then t:add(pf.payload, tvb:range(HEADER, shown)) end
        end
        if not a.completion then
            t:add(pf.remaining, a.remaining or 0)
            if a.cut then
                local note = cut_notes[frame]
                if note then
                    t:add(pf.full_length, note.full_length)
                    t:add(pf.digest, hex(note.digest))
                    t:add(pf.truncated_in, note.note)
                end
                t:add_proto_expert_info(ex.cut, string.format(
                    "the capture kept %d of the %d bytes sent%s", a.captured, a.urb_length,
                    note and "" or "; the truncated note after it has their length and SHA-256"))
            end
        end
    elseif a.kind == "in" then
        t:add(pf.operation, "bulk IN")
        if a.reply_to then t:add(pf.reply_to, a.reply_to) end
        if a.completion and a.in_stage == "length" then
            add(t, pf.reply, tvb, HEADER, 8, printable(a.length_digits))
            if a.reply_length then add(t, pf.reply_length, tvb, HEADER, 8, a.reply_length) end
        elseif a.completion and a.in_stage == "body" then
            add(t, pf.reply, tvb, HEADER, #a.body, printable(a.body))
            if a.status_text then
                add(t, pf.status, tvb, HEADER, #a.printer_status, printable(a.printer_status))
                t:add(pf.status_text, a.status_text)
            end
        end
    elseif a.kind == "note" then
        t:add(pf.operation, "note")
        add(t, pf.note, tvb, 40, 8, a.note)
        if not a.completion then
            add(t, pf.note_kind, tvb, 42, 2, a.note_kind)
            add(t, pf.note_argument, tvb, 44, 2, a.note_argument)
        end
        if a.vendor then
            add(t, pf.vendor, tvb, HEADER + 8, 2, a.vendor)
            add(t, pf.product, tvb, HEADER + 10, 2, a.product)
            add(t, pf.release, tvb, HEADER + 12, 2, a.release)
        end
        if a.serial_index then add(t, pf.serial_index, tvb, HEADER + 16, 1, a.serial_index) end
        if a.arrival_location then
            add(t, pf.arrival_location, tvb, HEADER + a.arrival_location_at, 4, a.arrival_location)
            add(t, pf.class_name, tvb, HEADER + a.arrival_location_at + 4, #a.class_name,
                printable(a.class_name))
        end
        if a.full_length then
            add(t, pf.full_length, tvb, HEADER, 8, a.full_length)
            add(t, pf.digest, tvb, HEADER + 8, 32, hex(a.digest))
            if a.cut_transfer then t:add(pf.cut_transfer, a.cut_transfer) end
        end
    elseif a.kind == "control" then
        t:add(pf.operation, "control request")
    end
    if a.problem then t:add_proto_expert_info(ex.malformed, a.problem) end

    if info then
        pinfo.cols.protocol:set("printertools")
        pinfo.cols.info:set(info)
    end
end

-- ---- hooking in -------------------------------------------------------------------------------------
-- The plugin takes the usbmon link type over and hands every packet to Wireshark's own usb dissector
-- first, so the packet keeps all of its usb fields and this layer comes on top. (A postdissector
-- would have to find the link type in the tree, which tshark does not build on every pass.)

local usb_dissector

function proto.dissector(tvb, pinfo, tree)
    if usb_dissector then
        -- The usb dissector gets the packet as far as it was captured: reading past the captured end
        -- of the frame throws an error that no Lua code may be unwound by; past the end of this tvb it
        -- throws one that Dissector:call turns into a Lua error, caught here (the packet is marked
        -- malformed by then).
        pcall(function() usb_dissector:call(tvb:range(0):tvb(), pinfo, tree) end)
    end
    local frame = pinfo.number
    local ok, err = pcall(function()
        local a = analysis[frame]
        if not a or not pinfo.visited then
            a = analyse(tvb:raw(0, tvb:len()), frame)
            analysis[frame] = a
        end
        show(a, tvb, pinfo, tree, frame)
    end)
    if not ok then
        local t = tree:add(proto, tvb:range(0, math.min(tvb:len(), HEADER)))
        t:add_proto_expert_info(ex.internal, "could not read this packet: " .. tostring(err))
    end
    return tvb:len()
end

-- The usb dissector is in the link-type table only once every dissector has been handed off, so the
-- swap happens here, before the first file is read, not when the script is loaded.
function proto.init()
    reset()
    if not usb_dissector then
        local encaps = DissectorTable.get("wtap_encap")
        usb_dissector = encaps:get_dissector(wtap_encaps.USB_LINUX_MMAPPED)
        encaps:add(wtap_encaps.USB_LINUX_MMAPPED, proto)
    end
end
