-- Brelto.so on an audio track of a new Ardour session, headless: the dummy
-- backend feeds pink noise, the parameters are set as automation would set
-- them, the transport rolls for a second and the track's output peaks are
-- printed. Run by try-hosts.sh with ardour7-lua; the session folder comes
-- in BRELTO_SESSION.
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:set_device_name("Pink Noise")
AudioEngine:start(false)
local session = create_session(os.getenv("BRELTO_SESSION"), "brelto", 44100)
assert(session, "no session")
local track = session:new_audio_track(2, 2, nil, 1, "Limited", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, true):front()
local brelto = ARDOUR.LuaAPI.new_plugin(session, "Brelto", ARDOUR.PluginType.LXVST, "")
assert(not brelto:isnil(), "Ardour did not load Brelto")
assert(track:add_processor_by_index(brelto, 0, nil, true) == 0, "Brelto is not on the track")
local plugin = brelto:to_insert():plugin(0)
for i = 0, plugin:parameter_count() - 1 do
  print("parameter", i, plugin:parameter_label(i), ARDOUR.LuaAPI.get_processor_param(brelto, i, true))
end
-- Gain +15 dB, channels unlinked.
ARDOUR.LuaAPI.set_processor_param(brelto, 1, 0.5)
ARDOUR.LuaAPI.set_processor_param(brelto, 3, 0.0)
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
