#!/usr/bin/python3
"""Writes the MIDI test files of this folder with mido, an independent MIDI library.

Run with Debian's python3-mido: /usr/bin/python3 make_midi_files.py
The expected contents are asserted in tests/midi/MidiTrackTest.cpp.
"""
import os

import mido
from mido import Message, MetaMessage, MidiFile, MidiTrack

HERE = os.path.dirname(os.path.abspath(__file__))


def save(mid, name):
    mid.save(os.path.join(HERE, name))


def format0():
    # One track with meter, tempo and notes; mido writes running status and the note-offs as
    # note-ons with velocity 0 here.
    mid = MidiFile(type=0, ticks_per_beat=96)
    t = MidiTrack()
    mid.tracks.append(t)
    t.append(MetaMessage('time_signature', numerator=3, denominator=4, time=0))
    t.append(MetaMessage('set_tempo', tempo=600000, time=0))
    t.append(Message('note_on', channel=9, note=36, velocity=100, time=0))
    t.append(Message('note_on', channel=9, note=36, velocity=0, time=24))
    t.append(Message('note_on', channel=9, note=42, velocity=80, time=24))
    t.append(Message('note_on', channel=9, note=42, velocity=0, time=12))
    t.append(Message('note_on', channel=9, note=38, velocity=90, time=36))
    t.append(Message('note_on', channel=9, note=38, velocity=0, time=48))
    save(mid, 'format0_running_status.mid')


def format1():
    # Tempo track, then two note tracks: only the last one holding notes is the pattern.
    mid = MidiFile(type=1, ticks_per_beat=480)
    tempo = MidiTrack()
    tempo.append(MetaMessage('time_signature', numerator=6, denominator=8, time=0))
    tempo.append(MetaMessage('set_tempo', tempo=400000, time=0))
    first = MidiTrack()
    first.append(Message('note_on', channel=0, note=60, velocity=64, time=0))
    first.append(Message('note_off', channel=0, note=60, velocity=0, time=480))
    last = MidiTrack()
    last.append(MetaMessage('lyrics', text='Funk Groove/take-2', time=0))
    last.append(Message('program_change', channel=9, program=5, time=0))
    last.append(Message('control_change', channel=9, control=7, value=100, time=0))
    last.append(Message('note_on', channel=9, note=46, velocity=70, time=120))
    last.append(Message('note_off', channel=9, note=46, velocity=40, time=60))
    last.append(Message('pitchwheel', channel=9, pitch=-8192, time=0))
    last.append(Message('aftertouch', channel=9, value=33, time=10))
    last.append(Message('polytouch', channel=9, note=46, value=22, time=0))
    last.append(Message('pitchwheel', channel=9, pitch=8191, time=0))
    mid.tracks.extend([tempo, first, last])
    save(mid, 'format1_three_tracks.mid')


def overlapping():
    # Two notes on the same key and channel overlap; the first note-off closes the first note.
    mid = MidiFile(type=1, ticks_per_beat=240)
    t = MidiTrack()
    t.append(Message('note_on', channel=9, note=38, velocity=100, time=0))
    t.append(Message('note_on', channel=9, note=38, velocity=50, time=60))
    t.append(Message('note_off', channel=9, note=38, velocity=0, time=60))
    t.append(Message('note_off', channel=9, note=38, velocity=0, time=120))
    t.append(Message('note_off', channel=9, note=40, velocity=0, time=10))  # matches nothing
    mid.tracks.append(t)
    save(mid, 'overlapping_notes.mid')


if __name__ == '__main__':
    format0()
    format1()
    overlapping()
