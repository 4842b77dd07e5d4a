-- marlsim.lua: a Wireshark and tshark dissector for the protocol between a
-- Marlpoint terminal (or marlsim) and its host.
--
-- Copy it into Wireshark's personal Lua plugins folder (Help > About >
-- Folders; ~/.local/lib/wireshark/plugins on Linux), or load it for one run:
--     tshark -X lua_script:marlsim.lua -r session.pcapng
--
-- Ports 4055 and 4060 are decoded as this protocol, any other with "Decode
-- As...", and a conversation on another port is recognised from the
-- terminal's power-up. The host's records end with a line feed; the
-- terminal's messages carry no framing at all, so each is found by its
-- shape. Either may be split across TCP segments or share one.

local proto = Proto("marlpoint", "Marlpoint terminal protocol")

-- BEGIN wire tables: written by marl_wire_tables from src/base/wire.h; do not edit
local record_kinds = {
  [0x0081] = { "beep", "Beep" },
  [0x0082] = { "command", "Command record" },
  [0x0086] = { "parameters", "Terminal parameters" },
  [0x00FF] = { "reset", "Reset" },
  [0x0044] = { "text_display", "Text dialect: display" },
  [0x0047] = { "text_reset", "Text dialect: reset" },
  [0x0053] = { "text_settings", "Text dialect: settings" },
  [0x0057] = { "text_write", "Text dialect: beep or display" },
}
local status_codes = {
  [0x0030] = { "success", "done" },
  [0x0031] = { "failure", "failed or not supported" },
  [0x0032] = { "bad_string", "bad string reference" },
  [0x0033] = { "no_room", "does not fit" },
  [0x0034] = { "bad_number", "bad number or empty slot" },
  [0x0035] = { "open_string", "arguments end after a closing backslash" },
  [0x0036] = { "no_such_field", "no such field" },
  [0x0038] = { "field_out_of_range", "field out of range" },
  [0x0039] = { "syntax", "malformed command or markup" },
  [0x0046] = { "tone_frequency", "bad tone frequency" },
  [0x004C] = { "tone_length", "bad tone length" },
  [0x0056] = { "tone_volume", "bad tone volume" },
}
local command_letters = {
  [0x0000] = { "show_stored", "show stored form" },
  [0x0042] = { "banks", "string banks" },
  [0x0043] = { "screen_mode", "screen mode" },
  [0x0044] = { "nothing", "nothing" },
  [0x0046] = { "key_maps", "key maps" },
  [0x0049] = { "identify", "identify or inject a scan" },
  [0x004B] = { "key_script", "key script" },
  [0x004F] = { "programmable_key", "programmable key" },
  [0x0050] = { "ping", "ping answer" },
  [0x0051] = { "unsupported_q", "not supported" },
  [0x0052] = { "unsupported_r", "not supported" },
  [0x0053] = { "store", "store form" },
  [0x0054] = { "store_and_show", "store and show form (tone without a slot)" },
  [0x0055] = { "update", "update stored form" },
  [0x0056] = { "update_and_show", "update and show stored form" },
}
local header_bits = {
  { 0x0001, "skip_protected", "Tab skips protected fields" },
  { 0x0002, "table_minus", "table entry takes a minus sign" },
  { 0x0004, "table_point", "table entry takes a decimal point" },
  { 0x0008, "uppercase", "upper case (field forms); digits only (table forms)" },
  { 0x0010, "release_all", "empty every slot first (storing); a full entry does not send (table forms)" },
  { 0x0020, "empty_slot", "empty the slot first (storing); typing shows (table forms)" },
  { 0x0040, "full_field_moves", "a full field moves on" },
  { 0x0080, "bit_0080", "unused" },
  { 0x0100, "scan_tab", "a scan ends with Tab" },
  { 0x0200, "row_reply", "the reply names the row picked" },
  { 0x0400, "clear_modified", "fields shown again count as unchanged" },
  { 0x0800, "wrap", "moving past the last field or row wraps" },
  { 0x1000, "keep_form", "keep the current form; rebuild a stored table; upper case (table forms)" },
  { 0x2000, "bit_2000", "unused" },
  { 0x4000, "beep_on_show", "beep when shown" },
}
local field_type_bits = {
  { 0x0001, "password", "password" },
  { 0x0002, "numeric", "numeric" },
  { 0x0004, "protected", "protected" },
  { 0x0008, "bit_08", "table entry bit" },
  { 0x0010, "send_when_full", "send when a scan fills it" },
  { 0x0080, "scan_only", "scan only" },
}
local first_binary_kind = 0x80
local field_type_base = 0x40
-- END wire tables

local LF = 0x0A
-- The terminal holds at most this much of a pending block; a record longer
-- than that without its line feed is never read whole by a terminal.
local longest_record = 4096
-- The longest message a terminal sends without its trailer.
local longest_message = 16384

local function names_of(t)
  local out = {}
  for value, entry in pairs(t) do out[value] = entry[1] end
  return out
end

local kind_names = names_of(record_kinds)

-- The values by their names: KIND.beep, COMMAND.store, ...
local function by_name(t)
  local out = {}
  for value, entry in pairs(t) do out[entry[1]] = value end
  return out
end
local KIND = by_name(record_kinds)
local COMMAND = by_name(command_letters)
local SUCCESS = string.char(by_name(status_codes).success)

local f = {
  direction = ProtoField.string("marlpoint.direction", "Direction"),
  summary = ProtoField.string("marlpoint.summary", "Summary"),
  kind = ProtoField.uint8("marlpoint.kind", "Kind", base.HEX, kind_names),
  header_word = ProtoField.uint16("marlpoint.header.word", "Header word", base.HEX),
  min_entry = ProtoField.uint8("marlpoint.header.min_entry", "Shortest entry"),
  entry_width = ProtoField.uint8("marlpoint.header.entry_width", "Entry width"),
  current_field = ProtoField.uint8("marlpoint.header.current_field", "Field to start on"),
  reader = ProtoField.string("marlpoint.header.reader", "Reader options"),
  body = ProtoField.string("marlpoint.body", "Body"),
  slot = ProtoField.uint8("marlpoint.command.slot", "Table slot"),
  letter = ProtoField.string("marlpoint.command.letter", "Command letter"),
  command = ProtoField.string("marlpoint.command", "Command"),
  arguments = ProtoField.string("marlpoint.command.arguments", "Arguments"),
  label = ProtoField.string("marlpoint.form.label", "Label"),
  field_type = ProtoField.uint8("marlpoint.form.field.type", "Field type", base.HEX),
  field_data = ProtoField.string("marlpoint.form.field.data", "Field data"),
  table_text = ProtoField.string("marlpoint.table.text", "Table text"),
  table_part = ProtoField.string("marlpoint.table.part", "Table part"),
  update_field = ProtoField.uint8("marlpoint.update.field", "Updated field"),
  update_what = ProtoField.string("marlpoint.update.what", "Replaced"),
  update_value = ProtoField.string("marlpoint.update.value", "New value"),
  string_arg = ProtoField.string("marlpoint.string", "String"),
  beep = ProtoField.uint8("marlpoint.beep.quarters", "Beep (quarter seconds)"),
  param_key = ProtoField.uint8("marlpoint.parameters.key", "Programmable key", base.HEX),
  param_beep = ProtoField.uint8("marlpoint.parameters.beep_units", "Beep length (30 ms units)"),
  text_record = ProtoField.string("marlpoint.text", "Text dialect record"),
  message = ProtoField.string("marlpoint.message", "Terminal message"),
  rows = ProtoField.uint16("marlpoint.rows", "Rows"),
  columns = ProtoField.uint16("marlpoint.columns", "Columns"),
  address = ProtoField.string("marlpoint.address", "Terminal address"),
  id = ProtoField.string("marlpoint.id", "Simulator ID"),
  status = ProtoField.string("marlpoint.status", "Status"),
  status_code = ProtoField.string("marlpoint.status.code", "Status code"),
  form = ProtoField.int32("marlpoint.reply.form", "Form"),
  reply_field = ProtoField.uint16("marlpoint.reply.field", "Field"),
  reply_entry = ProtoField.string("marlpoint.reply.entry", "Entry"),
  reply_value = ProtoField.string("marlpoint.reply.value", "Value"),
  reply_letter = ProtoField.string("marlpoint.reply.letter", "Reply letter"),
  reply_row = ProtoField.uint8("marlpoint.reply.row", "Row picked"),
  reply_cursor = ProtoField.uint16("marlpoint.reply.cursor", "Cursor field"),
  ping = ProtoField.uint32("marlpoint.ping.ms", "Last round trip (ms)"),
  version = ProtoField.string("marlpoint.version", "Version"),
}

local bit_fields = {}
for _, b in ipairs(header_bits) do
  local field = ProtoField.bool("marlpoint.header." .. b[2], b[3], 16, nil, b[1])
  bit_fields[#bit_fields + 1] = field
  f["bit_" .. b[2]] = field
end
local type_fields = {}
for _, b in ipairs(field_type_bits) do
  local field = ProtoField.bool("marlpoint.form.field." .. b[2], b[3], 8, nil, b[1])
  type_fields[#type_fields + 1] = field
  f["type_" .. b[2]] = field
end

local list = {}
for _, field in pairs(f) do list[#list + 1] = field end
proto.fields = list

local e = {
  malformed = ProtoExpert.new("marlpoint.malformed", "Malformed", expert.group.MALFORMED,
    expert.severity.WARN),
  overlong = ProtoExpert.new("marlpoint.overlong", "Over-long record", expert.group.MALFORMED,
    expert.severity.WARN),
  unknown = ProtoExpert.new("marlpoint.unknown", "Unknown kind", expert.group.UNDECODED,
    expert.severity.WARN),
  failure = ProtoExpert.new("marlpoint.failure", "Command failed", expert.group.RESPONSE_CODE,
    expert.severity.NOTE),
}
proto.experts = { e.malformed, e.overlong, e.unknown, e.failure }

-- Which end of a conversation is the terminal, "address:port", learnt from
-- the registered port or from a power-up.
local terminal_ends = {}
local registered_ports = { [4055] = true, [4060] = true }

local function end_name(address, port)
  return tostring(address) .. ":" .. tostring(port)
end

local function printable(s)
  return (s:gsub("[%z\1-\31\127-\255]", function(c)
    if c == "\n" then return "\\n" end
    return string.format("\\x%02x", c:byte())
  end))
end

-- Where a host record ends in `s` (a Lua string) from position `i`: the
-- line feed's position, skipping the byte after each '^' as the terminal
-- does; nil when the record goes on past the end.
local function record_end(s, i)
  while true do
    local p = s:find("[\n^]", i)
    if p == nil then return nil end
    if s:byte(p) == LF then return p end
    i = p + 2
  end
end

-- The parts of a string split at backslashes, with their offsets.
local function split_backslashes(s)
  local parts, from = {}, 1
  while true do
    local p = s:find("\\", from, true)
    if p == nil then
      parts[#parts + 1] = { from, s:sub(from) }
      return parts
    end
    parts[#parts + 1] = { from, s:sub(from, p - 1) }
    from = p + 1
  end
end

local function field_type_tree(tree, range, type_byte)
  local item = tree:add(f.field_type, range, type_byte)
  for _, field in ipairs(type_fields) do item:add(field, range, type_byte) end
  if bit32.band(type_byte, 0x40) == 0 then
    item:add_proto_expert_info(e.malformed, "field type byte without 0x40")
  end
end

-- A field form's text: \label\<type><data>\label\<type><data>\...
local function form_text(tree, tvb, base, text)
  local parts = split_backslashes(text)
  local fields = 0
  -- parts[1] is what comes before the first backslash: nothing in a form.
  for k = 2, #parts do
    local at, part = parts[k][1], parts[k][2]
    local range = tvb(base + at - 1, math.max(#part, 0))
    if k % 2 == 0 then
      if #part > 0 then tree:add(f.label, range, printable(part)) end
    elseif #part > 0 then
      local data = printable(part:sub(2))
      local item = tree:add(f.field_data, range, data)
      item:set_text(string.format('Field %d: "%s", %d cells, type %s', fields, data, #part - 1,
        printable(part:sub(1, 1))))
      field_type_tree(item, tvb(base + at - 1, 1), part:byte(1))
      fields = fields + 1
    end
  end
  return fields
end

-- The backslash command of a command record's body.
local function command_body(tree, tvb, base, body)
  if body:sub(1, 1) == "/" then
    local part = body:sub(2, 2)
    local names = { F = "first", M = "middle", L = "last" }
    tree:add(f.table_part, tvb(base, math.min(2, #body)), names[part] or printable(part))
    tree:add(f.table_text, tvb(base, #body), printable(body:sub(3)))
    return "table part " .. (names[part] or "?")
  end
  if body:sub(1, 1) ~= "\\" then
    tree:add(f.table_text, tvb(base, #body), printable(body))
    return "table form"
  end
  local i = 2
  local slot = body:match("^%d%d?", i)
  if slot then i = i + #slot end
  local letter = body:sub(i, i):upper()
  local code = letter == "" and 0 or letter:byte()
  local entry = command_letters[code]
  if slot then tree:add(f.slot, tvb(base + 1, #slot), tonumber(slot)) end
  local name = entry and entry[1] or "unknown"
  if code == COMMAND.store_and_show and not slot then name = "tone" end
  tree:add(f.letter, tvb(base + i - 1, letter == "" and 0 or 1), letter)
  local item = tree:add(f.command, tvb(base, #body), name)
  if not entry then item:add_proto_expert_info(e.unknown, "unknown command letter") end
  local args = body:sub(i + (letter == "" and 0 or 1))
  local args_base = base + i - 1 + (letter == "" and 0 or 1)
  if #args > 0 then tree:add(f.arguments, tvb(args_base, #args), printable(args)) end
  local text = "\\" .. (slot or "") .. letter .. " " .. name
  if slot and (code == COMMAND.store or code == COMMAND.store_and_show) then
    if args:sub(1, 1) == "\\" then
      text = text .. ", " .. form_text(tree, tvb, args_base, args) .. " fields"
    else
      tree:add(f.table_text, tvb(args_base, #args), printable(args))
    end
  elseif slot and (code == COMMAND.update or code == COMMAND.update_and_show) then
    for at, field, what, value in args:gmatch("()\\(%d%d?)([IiPp])([^\\]*)") do
      local range = tvb(args_base + at - 1, 1 + #field + 1 + #value)
      local u = tree:add(f.update_field, range, tonumber(field))
      u:add(f.update_what, range, what:upper() == "I" and "type and data" or "label")
      u:add(f.update_value, range, printable(value))
    end
  elseif code == COMMAND.banks or code == COMMAND.key_maps then
    local parts = split_backslashes(args)
    for k = 2, #parts do
      local at, part = parts[k][1], parts[k][2]
      tree:add(f.string_arg, tvb(args_base + at - 1, #part), printable(part))
    end
  end
  return text
end

local function header_tree(tree, tvb, offset)
  local b1, b2 = tvb(offset + 1, 1):uint(), tvb(offset + 2, 1):uint()
  local word = bit32.bor(bit32.lshift(bit32.band(b1, 0x7F), 8), bit32.band(b2, 0x7F))
  local range = tvb(offset + 1, 2)
  local item = tree:add(f.header_word, range, word)
  for _, field in ipairs(bit_fields) do item:add(field, range, word) end
  tree:add(f.min_entry, tvb(offset + 3, 1), bit32.band(tvb(offset + 3, 1):uint(), 0x7F))
  tree:add(f.entry_width, tvb(offset + 4, 1), bit32.band(tvb(offset + 4, 1):uint(), 0x7F))
  tree:add(f.current_field, tvb(offset + 5, 1), bit32.band(tvb(offset + 5, 1):uint(), 0x7F))
  tree:add(f.reader, tvb(offset + 6, 3), printable(tvb(offset + 6, 3):raw()))
  return word
end

-- One host record at `offset`: its length and summary, or nil when more
-- bytes must come.
local function host_record(tvb, pinfo, root, offset, available)
  local s = tvb:raw(offset, available)
  local kind = s:byte(1)
  local length, complete
  if kind == KIND.beep then
    if available < 2 then return nil end
    length = (available >= 3 and s:byte(3) == LF) and 3 or 2
    complete = true
  else
    local stop = record_end(s, 2)
    if stop then
      length, complete = stop, true
    elseif available > longest_record then
      length, complete = available, false
    else
      return nil
    end
  end
  local tree = root:add(proto, tvb(offset, length))
  tree:add(f.direction, "host")
  local body_end = complete and length - 1 or length
  if kind == KIND.beep then body_end = 2 end
  local summary
  local entry = record_kinds[kind]
  if kind >= first_binary_kind then
    tree:add(f.kind, tvb(offset, 1))
  end
  if not complete then
    tree:add_proto_expert_info(e.overlong, "no line feed in " .. longest_record .. " bytes")
    summary = "over-long record"
  elseif kind == KIND.beep then
    local q = length >= 2 and s:byte(2) or 0
    tree:add(f.beep, tvb(offset + 1, 1), q)
    summary = "beep " .. q
  elseif kind == KIND.command or kind == KIND.reset then
    if body_end < 9 then
      tree:add_proto_expert_info(e.malformed, "shorter than its kind and eight header bytes")
      summary = (kind == KIND.command and "command" or "reset") .. " [malformed: short header]"
    else
      local word = header_tree(tree, tvb, offset)
      if kind == KIND.reset then
        summary = "reset"
      else
        local body = s:sub(10, body_end)
        tree:add(f.body, tvb(offset + 9, #body), printable(body))
        summary = "command " .. command_body(tree, tvb, offset + 9, body)
        if word ~= 0 then summary = summary .. string.format(", header 0x%04x", word) end
      end
    end
  elseif kind == KIND.parameters then
    if body_end < 4 then
      tree:add_proto_expert_info(e.malformed, "too short for terminal parameters")
      summary = "parameters [malformed]"
    else
      tree:add(f.param_key, tvb(offset + 2, 1))
      tree:add(f.param_beep, tvb(offset + 3, 1))
      summary = string.format("parameters key 0x%02x beep %d", s:byte(3), s:byte(4))
    end
  elseif kind < first_binary_kind and entry then
    local text = s:sub(1, body_end)
    tree:add(f.kind, tvb(offset, 1))
    tree:add(f.text_record, tvb(offset, body_end), printable(text))
    local slash = text:find("/", 1, true)
    if (kind == KIND.text_display or (kind == KIND.text_write and text:sub(2, 2) == "D")) and slash then
      summary = "text " .. printable(text:sub(1, slash)) .. " "
        .. command_body(tree, tvb, offset + slash, text:sub(slash + 1))
    else
      summary = "text " .. printable(text)
    end
  else
    local item = tree:add(f.kind, tvb(offset, 1))
    item:add_proto_expert_info(e.unknown, string.format("unknown record kind 0x%02x", kind))
    summary = string.format("unknown kind 0x%02x", kind)
  end
  tree:add(f.summary, summary)
  tree:append_text(": " .. summary)
  return length, summary
end

local function digits(s, i)
  local d = s:match("^%d+", i)
  return d, d and i + #d or i
end

-- Where the \0F=nn\0 trailer of a reply starts and ends in `s`.
local function find_trailer(s)
  local from = 1
  while true do
    local a, b, n = s:find("%z(F=)(%d+)%z", from)
    if a == nil then return nil end
    local _, stop, number = s:find("^%zF=(%d+)%z", a)
    if stop then return a, stop, tonumber(number) end
    from = a + 1
  end
end

local function letter_text(code)
  local names = { w = "Enter", z = "Escape", x = "page past the end", y = "page past the start" }
  local c = string.char(code)
  return names[c] and (c .. " (" .. names[c] .. ")") or printable(c)
end

local function form_reply(tree, tvb, offset, reply)
  local summary
  local body = reply
  if #body >= 3 and body:sub(-3, -2) == "\\\\" then
    tree:add(f.reply_letter, tvb(offset + #body - 1, 1), letter_text(body:byte(-1)))
    body = body:sub(1, -4)
  end
  local id, at = body:match("^K\\(%-?%d+)()")
  if not id then return nil end
  tree:add(f.form, tvb(offset + 2, #id), tonumber(id))
  summary = "form reply " .. id
  local count = 0
  -- fields: \index\K or \index\S, an optional terminator, the value
  local starts = {}
  for p, index, kind in body:gmatch("()\\(%d+)\\([KS])", at) do
    starts[#starts + 1] = { p, index, kind }
  end
  if #starts == 0 and at <= #body then return nil end
  if #starts > 0 and starts[1][1] ~= at then return nil end
  for k, st in ipairs(starts) do
    local p, index, kind = st[1], st[2], st[3]
    local value_from = p + 1 + #index + 2
    local value_to = (starts[k + 1] and starts[k + 1][1] or #body + 1) - 1
    local value = body:sub(value_from, value_to)
    local range = tvb(offset + p - 1, value_to - p + 1)
    local item = tree:add(f.reply_field, range, tonumber(index))
    item:add(f.reply_entry, tvb(offset + value_from - 2, 1), kind == "K" and "keyed" or "scanned")
    if kind == "S" and #value > 0 and value:byte(1) < 0x20 then value = value:sub(2) end
    item:add(f.reply_value, range, printable(value))
    item:append_text(" = " .. printable(value))
    count = count + 1
    summary = summary .. string.format(" [%s]%s=%s", index, kind, printable(value))
  end
  if count == 0 then summary = summary .. ", no field changed" end
  return summary
end

local function table_reply(tree, tvb, offset, reply)
  local body = reply
  if #body >= 3 and body:sub(-3, -2) == "\\\\" then
    tree:add(f.reply_letter, tvb(offset + #body - 1, 1), letter_text(body:byte(-1)))
    body = body:sub(1, -4)
  end
  local first = body:sub(1, 1)
  if first ~= "K" and first ~= "S" then return nil end
  if #body == 2 and first == "S" then
    local r = body:byte(2)
    local row = (r >= 0x30 and r <= 0x39) and r - 0x30 or (r >= 0x41 and r - 0x41 + 10) or nil
    if row and row <= 255 then tree:add(f.reply_row, tvb(offset + 1, 1), row) end
    return "table reply row " .. printable(body:sub(2))
  end
  local text = body:sub(2)
  if #text > 0 and text:byte(1) < 0x20 then text = text:sub(2) end
  tree:add(f.reply_value, tvb(offset, #body), printable(text))
  return "table reply " .. (first == "K" and "keyed" or "scanned") .. " " .. printable(text)
end

-- One terminal message at `offset`: its length and summary, or nil when
-- more bytes must come. A message that ends the segment ends there: the
-- terminal sends each in one piece, except a long reply.
local function terminal_message(tvb, pinfo, root, offset, available)
  local s = tvb:raw(offset, available)
  local length, summary, build
  local malformed
  if s:sub(1, 7) == "P,Rows=" then
    local rows, i = digits(s, 8)
    local cols, j = nil, i
    if rows and s:sub(i, i + 5) == ",Cols=" then cols, j = digits(s, i + 6) end
    if not (rows and cols) then
      length, malformed = available, "power-up without its rows and columns"
    else
      length = j - 1
      local address
      if s:sub(j, j + 3) == "\0IP=" then
        address = s:match("^[%d%.]*", j + 4)
        length = j + 3 + #address
      end
      summary = "power-up " .. rows .. " rows " .. cols .. " columns"
      build = function(tree)
        tree:add(f.message, "power-up")
        tree:add(f.rows, tvb(offset + 7, #rows), tonumber(rows))
        tree:add(f.columns, tvb(offset + i + 5, #cols), tonumber(cols))
        if address then tree:add(f.address, tvb(offset + j + 3, #address), address) end
      end
    end
  elseif s:sub(1, 3) == "NG," then
    local ms, i = digits(s, 4)
    if not ms then
      length, malformed = available, "ping without a number"
    else
      length, summary = i - 1, "ping " .. ms .. " ms"
      build = function(tree)
        tree:add(f.message, "ping")
        tree:add(f.ping, tvb(offset + 3, #ms), tonumber(ms) % 4294967296)
      end
    end
  elseif s:sub(1, 3) == "IS," then
    length, summary = 3, "information request"
    build = function(tree) tree:add(f.message, "information request") end
  elseif s:match("^IR%d") then
    local rows, cols, version, stop = s:match("^IR(%d+),(%d+),(%d?%d?)()")
    if not rows then
      length, malformed = available, "identification without rows, columns and version"
    else
      length, summary = stop - 1, "identification " .. rows .. " rows " .. cols .. " columns"
      build = function(tree)
        tree:add(f.message, "identification")
        tree:add(f.rows, tvb(offset + 2, #rows), tonumber(rows) % 65536)
        tree:add(f.columns, tvb(offset + 3 + #rows, #cols), tonumber(cols) % 65536)
        tree:add(f.version, tvb(offset + 4 + #rows + #cols, #version), version)
      end
    end
  else
    local t_start, t_stop, cursor = find_trailer(s)
    local status_shape = #s >= 4 and s:sub(1, 3) == "K\\\\"
    if status_shape and t_start ~= 5 then
      local code = s:sub(4, 4)
      local entry = status_codes[code:byte()]
      local name = entry and entry[1] or "unknown"
      length, summary = 4, "status " .. printable(code) .. " " .. name
      build = function(tree)
        tree:add(f.message, "status")
        tree:add(f.status_code, tvb(offset + 3, 1), printable(code))
        local item = tree:add(f.status, tvb(offset, 4), name)
        if not entry then
          item:add_proto_expert_info(e.unknown, "unknown status code")
        elseif code ~= SUCCESS then
          item:add_proto_expert_info(e.failure, entry[2])
        end
      end
    elseif t_start then
      local reply = s:sub(1, t_start - 1)
      length = t_stop
      build = function(tree)
        local text
        if status_shape then
          tree:add(f.message, "form reply")
          tree:add(f.reply_letter, tvb(offset + 3, 1), letter_text(s:byte(4)))
          text = "form reply, letter only"
        elseif reply:match("^K\\[%d%-]") then
          tree:add(f.message, "form reply")
          text = form_reply(tree, tvb, offset, reply)
        else
          tree:add(f.message, "table reply")
          text = table_reply(tree, tvb, offset, reply)
        end
        tree:add(f.reply_cursor, tvb(offset + t_start, t_stop - t_start), cursor % 65536)
        if text ~= nil then
          if s:sub(t_start - 3, t_start - 2) == "\\\\" and #reply >= 3 then
            text = text .. ", " .. letter_text(s:byte(t_start - 1))
          end
          text = text .. ", cursor on " .. cursor
        end
        return text
      end
    elseif s:find("P,Rows=", 2, true) and s:sub(s:find("P,Rows=", 2, true) - 1):sub(1, 1) == ","
        and not s:sub(1, s:find("P,Rows=", 2, true)):find("%z") then
      local p = s:find("P,Rows=", 2, true)
      local id = s:sub(1, p - 2)
      length, summary = p - 1, "simulator ID " .. printable(id)
      build = function(tree)
        tree:add(f.message, "simulator ID")
        tree:add(f.id, tvb(offset, #id), printable(id))
      end
    elseif s:sub(-1) == "," and not s:find("[%z\\]") then
      local id = s:sub(1, -2)
      length, summary = available, "simulator ID " .. printable(id)
      build = function(tree)
        tree:add(f.message, "simulator ID")
        tree:add(f.id, tvb(offset, #id), printable(id))
      end
    elseif (s:sub(1, 1) == "K" or s:sub(1, 1) == "S") and available <= longest_message then
      return nil
    else
      local next = s:find("[KSPNI]", 2)
      length = next and next - 1 or available
      malformed = "not a message a terminal sends"
    end
  end
  local tree = root:add(proto, tvb(offset, length))
  tree:add(f.direction, "terminal")
  if malformed then
    tree:add_proto_expert_info(e.malformed, malformed)
    summary = "malformed: " .. malformed
  else
    local text = build(tree)
    if text == nil and summary == nil then
      tree:add_proto_expert_info(e.malformed, "reply that is neither a form nor a table reply")
      summary = "malformed reply"
    elseif summary == nil then
      summary = text
    end
  end
  tree:add(f.summary, summary)
  tree:append_text(": " .. summary)
  return length, summary
end

local function from_terminal(pinfo, tvb)
  if terminal_ends[end_name(pinfo.src, pinfo.src_port)] then return true end
  if terminal_ends[end_name(pinfo.dst, pinfo.dst_port)] then return false end
  local port = pinfo.match_uint
  if port ~= nil and port ~= 0 then
    if pinfo.dst_port == port then return true end
    if pinfo.src_port == port then return false end
  end
  return tvb:len() > 0 and tvb(0, 1):uint() < first_binary_kind
end

local function dissect(tvb, pinfo, root)
  local length = tvb:len()
  local terminal = from_terminal(pinfo, tvb)
  local read = terminal and terminal_message or host_record
  pinfo.cols.protocol = "MARLPOINT"
  local summaries = {}
  local offset = 0
  while offset < length do
    local ok, used, summary = pcall(read, tvb, pinfo, root, offset, length - offset)
    if not ok then
      -- A shape this dissector did not foresee: the rest of the segment is
      -- shown as it is, never as an error of the dissector.
      local item = root:add(proto, tvb(offset, length - offset))
      item:add_proto_expert_info(e.malformed, "could not be read")
      summaries[#summaries + 1] = "unreadable"
      offset = length
      break
    end
    if used == nil then
      pinfo.desegment_offset = offset
      pinfo.desegment_len = DESEGMENT_ONE_MORE_SEGMENT
      break
    end
    summaries[#summaries + 1] = summary
    offset = offset + used
  end
  if #summaries > 0 then
    pinfo.cols.info = (terminal and "Terminal: " or "Host: ") .. table.concat(summaries, "; ")
  end
  return length
end

function proto.dissector(tvb, pinfo, root)
  return dissect(tvb, pinfo, root)
end

-- A conversation on any other port is recognised from the power-up (with
-- the simulator ID before it, or alone).
local tcp_seq = Field.new("tcp.seq")

-- The simulator ID alone, as the first bytes of a conversation: a short
-- name and a comma.
local function lone_id(tvb, s)
  local seq = tcp_seq()
  return seq ~= nil and seq.value == 1 and #s <= 33 and s:match("^[%w_%-%.]+,$") ~= nil
end

local function heuristic(tvb, pinfo, root)
  local n = tvb:len()
  if n < 2 then return false end
  local s = tvb:raw(0, math.min(n, 64))
  local p = s:find("P,Rows=%d", 1)
  if p == nil then
    if n > 33 or not lone_id(tvb, s) then return false end
  elseif p > 1 and (s:sub(p - 1, p - 1) ~= "," or s:sub(1, p - 1):find("[%z\\]")) then
    return false
  end
  terminal_ends[end_name(pinfo.src, pinfo.src_port)] = true
  pinfo.conversation = proto
  dissect(tvb, pinfo, root)
  return true
end

function proto.init()
  terminal_ends = {}
end

local tcp_port = DissectorTable.get("tcp.port")
for port in pairs(registered_ports) do tcp_port:add(port, proto) end
proto:register_heuristic("tcp", heuristic)
-- Offered under "Decode As..." for any port.
if tcp_port.add_for_decode_as then tcp_port:add_for_decode_as(proto) end
