-- Brelto's LV2 bundle on an audio track of a new Ardour session, headless:
-- the dummy backend feeds pink noise, Gain is set to +15 dB and Stereo off
-- as automation would set them, the transport rolls for a second and the
-- track's output peaks, the plug-in's latency and its controls are printed;
-- the session is saved. With BRELTO_REOPEN=1, the saved session is opened
-- again instead and the same is printed without setting anything. Run by
-- try-hosts.sh with ardour7-lua; the session folder comes in BRELTO_SESSION.
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:set_device_name("Pink Noise")
AudioEngine:start(false)
local folder = os.getenv("BRELTO_SESSION")
local session, brelto, track
if os.getenv("BRELTO_REOPEN") == "1" then
  session = load_session(folder, "brelto-lv2")
  assert(session, "the session did not open")
  track = session:route_by_name("Limited")
  assert(not track:isnil(), "the track is gone")
  brelto = track:nth_plugin(0)
else
  session = create_session(folder, "brelto-lv2", 48000)
  assert(session, "no session")
  track = session:new_audio_track(2, 2, nil, 1, "Limited", ARDOUR.PresentationInfo.max_order,
                                  ARDOUR.TrackMode.Normal, true):front()
  brelto = ARDOUR.LuaAPI.new_plugin(session, "urn:quenor:brelto", ARDOUR.PluginType.LV2, "")
  assert(not brelto:isnil(), "Ardour did not load Brelto's LV2 bundle")
  assert(track:add_processor_by_index(brelto, 0, nil, true) == 0, "Brelto is not on the track")
  -- Control ports by their order: ceiling, gain, release, stereo, isp.
  assert(ARDOUR.LuaAPI.set_processor_param(brelto, 1, 15.0), "Gain was refused")
  assert(ARDOUR.LuaAPI.set_processor_param(brelto, 3, 0.0), "Stereo was refused")
end
assert(not brelto:isnil(), "no Brelto on the track")
local plugin = brelto:to_insert():plugin(0)
print("plugin", plugin:name(), plugin:unique_id())
for i = 0, 4 do
  local value = ARDOUR.LuaAPI.get_processor_param(brelto, i, true)
  print("control", i, plugin:parameter_label(plugin:nth_parameter(i, true)), value)
end
print("latency", brelto:signal_latency())
track:monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorInput, PBD.GroupControlDisposition.NoGroup)
session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(1000000)
print("rolled", session:transport_sample())
for channel = 0, 1 do
  print("peak", channel, track:peak_meter():meter_level(channel, ARDOUR.MeterType.MeterMaxPeak))
end
session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
ARDOUR.LuaAPI.usleep(200000)
session:save_state("", false, false, false, false, false)
close_session()
