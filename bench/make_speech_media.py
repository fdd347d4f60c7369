#!/usr/bin/env python3
"""Makes the media of the sync-to-speech benchmark with ffmpeg and sox: spoken sentences from
ffmpeg's flite source in its five voices (48 kHz mono, raw 16-bit, from the first sound on, as
a sub starts with the voice), a loop of pink noise and
one of music (plucked notes over a held chord), and a two-hour subtitle timing that says each
clip at its time: subs.txt, one line per sub: start and end in milliseconds, the clip's
number, its text. The bench mixes them. Deterministic; clips already made are kept."""
import os
import random
import subprocess
import sys

RATE = 48000
VOICES = ("awb", "kal", "kal16", "rms", "slt")
SUBJECTS = ("the captain", "my brother", "nobody", "the old man", "your friend", "the doctor", "everyone",
            "the girl next door", "this car", "the police")
VERBS = ("never believed", "always wanted", "forgot", "found", "lost", "remembers", "will open", "has seen",
         "cannot stand", "is looking for")
OBJECTS = ("the letter", "that place", "the money", "a better way", "the red door", "our house", "the truth",
           "his keys", "the last train", "what happened")
TAILS = ("", " tonight", " again", " last summer", " before the storm", ", I think", " in the morning",
         " at the station", ", believe me", " after all these years")
CLIPS = 160
HOURS = 2


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main():
    out = sys.argv[1]
    clips = os.path.join(out, "clips")
    os.makedirs(clips, exist_ok=True)
    rng = random.Random(26)
    texts = []
    for k in range(CLIPS):
        text = "%s %s %s%s." % (rng.choice(SUBJECTS).capitalize(), rng.choice(VERBS), rng.choice(OBJECTS),
                                rng.choice(TAILS))
        texts.append(text)
        path = os.path.join(clips, "%03d.raw" % k)
        if not os.path.exists(path):
            voice = VOICES[k % len(VOICES)]
            run("ffmpeg", "-nostdin", "-y", "-f", "lavfi", "-i", "flite=text='%s':voice=%s" % (text, voice),
                "-af", "silenceremove=start_periods=1:start_threshold=-50dB", "-ar", str(RATE), "-ac", "1",
                "-f", "s16le", path + ".part")
            os.replace(path + ".part", path)

    # Beds of a minute each, looped by the bench: pink noise, and plucked notes over a chord.
    noise = os.path.join(out, "noise.raw")
    if not os.path.exists(noise):
        run("sox", "-n", "-r", str(RATE), "-c", "1", "-b", "16", "-e", "signed", noise, "synth", "60", "pinknoise")
    music = os.path.join(out, "music.raw")
    if not os.path.exists(music):
        notes = ["C4", "E4", "G4", "A4", "G4", "E4", "D4", "F4", "A4", "C5", "B4", "G4"]
        melody = []
        for k in range(160):
            melody += ["synth", "%.2f" % rng.choice((0.25, 0.375, 0.5)), "pluck", rng.choice(notes), ":"]
        run("sox", "-n", "-r", str(RATE), "-c", "1", "-b", "16", "-e", "signed", music + ".melody.raw", *melody[:-1])
        run("sox", "-n", "-r", str(RATE), "-c", "1", "-b", "16", "-e", "signed", music + ".chord.raw", "synth", "60",
            "sine", "130.8", "sine", "164.8", "sine", "196", "remix", "-", "gain", "-12")
        run("sox", "-m", "-t", "s16", "-r", str(RATE), "-c", "1", music + ".melody.raw",
            "-t", "s16", "-r", str(RATE), "-c", "1", music + ".chord.raw", "-b", "16", "-e", "signed", music,
            "trim", "0", "60")
        os.remove(music + ".melody.raw")
        os.remove(music + ".chord.raw")

    # Two hours of subs: two minutes without speech first, then the clips in a random order
    # with pauses, some long; each sub shows a little longer than its speech.
    lengths = [os.path.getsize(os.path.join(clips, "%03d.raw" % k)) * 1000 // (2 * RATE) for k in range(CLIPS)]
    lines = []
    t = 120000
    while t < HOURS * 3600000 - 30000:
        k = rng.randrange(CLIPS)
        end = t + lengths[k] + rng.randrange(100, 400)
        lines.append("%d %d %d %s" % (t, end, k, texts[k]))
        t = end + (rng.randrange(5000, 40000) if rng.random() < 0.08 else rng.randrange(200, 3000))
    with open(os.path.join(out, "subs.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
