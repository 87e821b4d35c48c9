#!/usr/bin/env python3
"""Makes a test DVD shaped like a bought disc, OUT/VIDEO_TS, and OUT/truth.json, which says
what every title holds so that a test can check a converted file against it.

Every source picture carries its own number in a code band, every audio track a quiet bed
tone with a loud burst at each flash picture; tests/dvds/README.md describes both and the
discs. After authoring, the disc is read back (IFO, lsdvd, MEncoder, decoded pictures and
sound) and the script fails when anything differs from the plan.

Usage: make-real-dvd.py NAME -o OUT      (--list names the discs)
"""

import argparse
import array
import ast
import bisect
import json
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from fractions import Fraction as Q

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
SR = 48000
BURST = SR * 40 // 1000  # samples of a burst
BED_DBFS = -30.0
MUXRATE = ["-muxrate", "10080000", "-packetsize", "2048"]

STANDARDS = {
    # unit: flashes fall on its odd multiples, so every flash lands on a picture at every
    # rate of the standard (NTSC pictures are 1001/24000, 1001/30000 or 1001/60000 s).
    "pal": dict(size=(720, 576), frame_rate=Q(25), unit=Q(1), gop=15, fmt="PAL"),
    "ntsc": dict(size=(720, 480), frame_rate=Q(30000, 1001), unit=Q(1001, 1000), gop=18, fmt="NTSC"),
}
FILM_RATE = Q(24000, 1001)

# Kinds of stretch (Segment says how each is made and shown).
KINDS = ("progressive", "film-coded-interlaced", "interlaced", "soft-film", "progressive-video")

CODINGS = {
    # base: the id of a coding's first stream in FFmpeg's muxer, which counts each coding
    # from it; on the disc, stream n of the title set has the id base + n.
    "ac3": dict(base=0x80, lsdvd="ac3"),  # kbit/s by channels: see audio_args
    # FFmpeg's DTS coder starts 512 samples late without saying so; its time stamps are
    # moved back to meet the pictures.
    "dts": dict(base=0x88, lsdvd="dts", delay=512),
    "lpcm": dict(base=0xA0, lsdvd="lpcm"),
    "mp2": dict(base=0xC0, lsdvd="mpeg1"),
}
# Gain of the tone in each channel, in the order FFmpeg decodes them.
LAYOUTS = {
    ("ac3", 1): [1.0],
    ("ac3", 2): [1.0, 1.0],
    ("ac3", 6): [1.0, 1.0, 1.0, 0.0, 0.5, 0.5],  # FL FR FC LFE BL BR
    ("dts", 6): [1.0, 1.0, 1.0, 0.0, 0.5, 0.5],  # FL FR FC LFE SL SR
    ("lpcm", 2): [1.0, 1.0],
    ("mp2", 2): [1.0, 1.0],
}


def track(coding, channels, lang, tone, peak=-3.0, content=None, steady=False):
    """An audio track; steady: the tone alone at the peak level, no bed and no bursts."""
    return dict(coding=coding, channels=channels, lang=lang, tone=tone, peak=peak,
                content=content, steady=steady)


def one_file(parts, chapters):
    return [dict(parts=parts, chapters=[Q(c) for c in chapters])]


# The discs. A title is made from files (each its own VOB file in the XML, each starting a
# cell); a file from parts, stretches of one kind of picture, coded one after the other into
# one stream. chapters: the times given to dvdauthor, which moves each to a GOP start.
# open: the chapters expected to start on an open GOP. play: cells in playing order, when
# the chain is patched to play them out of VOB order. film: how soft film is coded
# (mencoder: MEncoder's pulldown flags, no B pictures; pulldown: FFmpeg film with B
# pictures, flagged here, since MEncoder puts the flags in coded order once there are B
# pictures).
PLANS = {
    "pal-film-open": dict(standard="pal", aspect="16:9", titles=[dict(
        files=one_file([("film-coded-interlaced", 600)], ["0", "6", "12", "18"]),
        audio=[track("ac3", 2, "en", 500), track("lpcm", 2, "fr", 1000)],
        open=[2, 3, 4])]),
    "pal-interlaced-open": dict(standard="pal", aspect="4:3", titles=[dict(
        files=one_file([("interlaced", 1000)], ["0", "5", "10", "15"]),
        audio=[track("mp2", 2, "en", 500), track("ac3", 1, "en", 1500, content="comments1")],
        open=[2, 3, 4])]),
    "ntsc-interlaced-open": dict(standard="ntsc", aspect="4:3", titles=[dict(
        files=one_file([("interlaced", 1200)], ["0", "7.007", "14.014"]),
        audio=[track("ac3", 2, "en", 500), track("dts", 6, "fr", 1000)],
        open=[2, 3])]),
    "ntsc-hybrid": dict(standard="ntsc", aspect="16:9", titles=[
        dict(files=one_file([("soft-film", 480), ("interlaced", 600)], ["0", "10.01", "20.02", "25.025"]),
             audio=[track("ac3", 6, "en", 500), track("ac3", 2, "fr", 1000)], film="mencoder", open=[4]),
        dict(files=one_file([("soft-film", 96), ("interlaced", 1200)], ["0", "4.004"]),
             audio=[track("ac3", 6, "en", 500), track("ac3", 2, "fr", 1000)], film="mencoder", open=[]),
        dict(files=one_file([("soft-film", 96), ("progressive-video", 30)] * 5, ["0", "10.01"]),
             audio=[track("ac3", 6, "en", 500), track("ac3", 2, "fr", 1000)], film="mencoder", open=[]),
    ]),
    "ntsc-soft-open": dict(standard="ntsc", aspect="16:9", titles=[dict(
        files=one_file([("soft-film", 432)], ["0", "6.006", "12.012"]),
        audio=[track("ac3", 2, "en", 500)], film="pulldown", open=[2, 3])]),
    "pal-out-of-order": dict(standard="pal", aspect="16:9", titles=[dict(
        files=[dict(parts=[("progressive", 150)], chapters=[Q(0)]) for _ in range(3)],
        audio=[track("ac3", 2, "en", 500), track("lpcm", 2, "en", 1000)],
        play=[2, 1, 3], open=[])]),
    "pal-loud": dict(standard="pal", aspect="4:3", flashes=False, titles=[
        dict(files=one_file([("progressive", 300)], ["0"]),
             audio=[track("ac3", 2, "en", 997, peak=-3.0, steady=True)], open=[]),
        dict(files=one_file([("progressive", 300)], ["0"]),
             audio=[track("ac3", 2, "en", 997, peak=-27.0, steady=True)], open=[]),
    ]),
}


class Failure(Exception):
    pass


def fail(msg):
    raise Failure(msg)


def log(msg):
    print(f"make-real-dvd.py: {msg}", flush=True)


def run(cmd, what, logfile, env=None):
    """Runs a tool with its output in logfile; on failure says what failed and shows the log's end."""
    with open(logfile, "ab") as f:
        f.write(("\n$ " + " ".join(str(c) for c in cmd) + "\n").encode())
        f.flush()
        p = subprocess.run([str(c) for c in cmd], stdout=f, stderr=f, env=env, stdin=subprocess.DEVNULL)
    if p.returncode != 0:
        with open(logfile, "rb") as f:
            tail = f.read().decode(errors="replace").splitlines()[-25:]
        fail(f"{what} failed (exit {p.returncode}); command: {' '.join(str(c) for c in cmd)}\n" + "\n".join(tail))


def capture(cmd, what, stdin_bytes=None, text=True):
    p = subprocess.run([str(c) for c in cmd], input=stdin_bytes, capture_output=True)
    if p.returncode != 0:
        fail(f"{what} failed (exit {p.returncode}): {p.stderr.decode(errors='replace')[-2000:]}")
    return p.stdout.decode(errors="replace") if text else p.stdout


def rate_text(r):
    return str(r.numerator) if r.denominator == 1 else f"{r.numerator}/{r.denominator}"


def secs(t):
    return round(float(t), 6)


# ----------------------------------------------------------------------------------------
# Picture code

def band_geometry(w, h):
    """Rows y0..y1 (exclusive) and the 21 cell edges of the code band."""
    y0, y1 = round(Q(40, 100) * h), round(Q(52, 100) * h)
    xs = [round(Q(5, 100) * w + Q(i * 9, 200) * w) for i in range(21)]
    return y0, y1, xs


def read_code(cells):
    """Picture number from 20 cells (True for white), or None when the band is not a code."""
    if not cells[0] or cells[1] or cells[19]:
        return None
    bits = cells[2:18]
    if sum(bits) % 2 != (1 if cells[18] else 0):
        return None
    n = 0
    for b in bits:
        n = n * 2 + (1 if b else 0)
    return n


# ----------------------------------------------------------------------------------------
# The plan worked out: pictures, their times, flashes

class Segment:
    """A stretch of one kind of picture, in source order."""

    def __init__(self, kind, first, count, start, std):
        frame_rate = STANDARDS[std]["frame_rate"]
        self.kind, self.first, self.count, self.start = kind, first, count, start
        if kind == "interlaced":
            if count % 2:
                fail(f"interlaced stretch of {count} pictures: not whole frames")
            self.rate = 2 * frame_rate
        elif kind == "soft-film":
            if std != "ntsc" or count % 4:
                fail("soft film is NTSC, in groups of four film frames")
            self.rate = FILM_RATE
        elif kind == "film-coded-interlaced":
            if std != "pal":
                fail("film coded interlaced is PAL")
            self.rate = frame_rate
        else:
            self.rate = frame_rate
        self.duration = count / self.rate
        self.field_rate = 2 * frame_rate

    def fields_before(self, j):
        """Fields shown before local picture j: film takes 3, 2, 3, 2 ... fields a frame."""
        if self.kind == "soft-film":
            return 5 * (j // 2) + 3 * (j % 2)
        if self.kind == "interlaced":
            return j
        return 2 * j

    def picture_at(self, t):
        """Local picture shown at time t after the stretch's start."""
        f = t * self.field_rate
        if self.kind == "interlaced":
            return 2 * (math.floor(f) // 2)
        if self.kind == "soft-film":
            j = 2 * (math.floor(f) // 5)
            return j + (1 if math.floor(f) - 5 * (j // 2) >= 3 else 0)
        return math.floor(f) // 2

    def picture_time(self, j):
        return self.fields_before(j) / self.field_rate


def work_out(plan):
    """Adds to every title its files' segments, numbers and flashes."""
    std = plan["standard"]
    unit = STANDARDS[std]["unit"]
    for title in plan["titles"]:
        tones = [a["tone"] for a in title["audio"]]
        if len(set(tones)) != len(tones):
            fail(f"the tracks of a title need tones of their own, not {tones}")
        first, start = 0, Q(0)
        title["files_"] = []
        for f in title["files"]:
            segs = []
            fstart = start
            for kind, count in f["parts"]:
                if kind not in KINDS:
                    fail(f"unknown kind {kind}")
                s = Segment(kind, first, count, start, std)
                segs.append(s)
                first += count
                start += s.duration
            flashes = []
            if plan.get("flashes", True):
                for s in segs:
                    for j in range(s.count):
                        t = s.start + s.picture_time(j)
                        odd = t / unit
                        if odd.denominator == 1 and odd.numerator % 2 == 1 and \
                                (s.kind != "interlaced" or j % 2 == 0):
                            flashes.append((t, s.first + j))
            f2 = dict(segments=segs, start=fstart, duration=start - fstart, flashes=flashes,
                      chapters=f["chapters"])
            samples = f2["duration"] * SR
            if samples.denominator != 1:
                fail(f"a file of {f2['duration']} s does not hold whole samples")
            title["files_"].append(f2)
        title["duration"] = start
        if first >= 65536:
            fail("picture numbers must stay below 65536")
        if plan.get("flashes", True):
            want = [(2 * k + 1) * unit for k in range(int(start / unit / 2) + 1) if (2 * k + 1) * unit < start]
            got = [t for f in title["files_"] for t, _ in f["flashes"]]
            if got != want:
                fail(f"flash pictures {got} do not fall on every odd {unit} s ({want})")


# ----------------------------------------------------------------------------------------
# Pictures

def esc(expr):
    return expr.replace(",", "\\,")


def any_of(js):
    return "+".join(f"eq(n,{j})" for j in js) if js else "0"


def segment_graph(seg, std, flash_locals):
    """The lavfi graph of a stretch's source pictures, one per picture number."""
    w, h = STANDARDS[std]["size"]
    r = seg.rate
    step = max(1, round(400 / r))  # about 400 pixels a second, whatever the rate
    first = seg.first
    top = round(Q(3, 10) * h)
    y0, y1, xs = band_geometry(w, h)
    g = [f"testsrc2=size={3 * w}x{h}:rate={rate_text(r)}",
         f"crop={w}:{h}:x='{esc(f'mod((n+{first})*{step},{2 * w})')}':y=0",
         "format=yuv420p",
         # Grain that changes every picture keeps the coder near its ceiling, like film.
         "noise=alls=20:allf=t+u:all_seed=4242"]
    flash = esc(any_of(flash_locals))
    # Dark above, so that a flash stands out from every other picture.
    g.append(f"drawbox=x=0:y=0:w={w}:h={top}:c=black@0.5:t=fill:enable='not({flash})'")
    g.append(f"drawbox=x=0:y=0:w={w}:h={top}:c=white:t=fill:enable='{flash}'")
    g.append(f"drawbox=x={xs[0]}:y={y0}:w={xs[20] - xs[0]}:h={y1 - y0}:c=black:t=fill")
    g.append(f"drawbox=x={xs[0]}:y={y0}:w={xs[1] - xs[0]}:h={y1 - y0}:c=white:t=fill")
    bits = [f"mod(floor((n+{first})/{2 ** k}),2)" for k in range(16)]
    for c in range(2, 18):
        g.append(f"drawbox=x={xs[c]}:y={y0}:w={xs[c + 1] - xs[c]}:h={y1 - y0}:c=white:t=fill"
                 f":enable='{esc(bits[17 - c])}'")
    g.append(f"drawbox=x={xs[18]}:y={y0}:w={xs[19] - xs[18]}:h={y1 - y0}:c=white:t=fill"
             f":enable='{esc('mod(' + '+'.join(bits) + ',2)')}'")
    if os.path.exists(FONT):
        g.append(f"drawtext=fontfile={FONT}:text='%{{eif\\:n+{first}\\:d}}':fontsize=48:fontcolor=white"
                 f":box=1:boxcolor=black@0.6:x=(w-tw)/2:y={round(Q(62, 100) * h)}")
    if seg.kind == "interlaced":
        g.append("interlace=scan=tff:lowpass=0")
    return ",".join(g)


def start_codes(es):
    i = es.find(b"\0\0\1")
    while i >= 0:
        yield i
        i = es.find(b"\0\0\1", i + 3)


def set_progressive_sequence(es, value):
    """Sets progressive_sequence in every sequence extension: a DVD stream that mixes film
    and video says 0 throughout, so that its progressive frames are shown as two fields."""
    es = bytearray(es)
    for i in start_codes(es):
        if es[i + 3] == 0xB5 and es[i + 4] >> 4 == 1:
            es[i + 5] = (es[i + 5] & ~0x08) | (0x08 if value else 0)
    return bytes(es)


def soft_pulldown(es):
    """Turns 23.976 progressive MPEG-2 into soft film: the stream says 29.97 and every film
    frame is flagged for 3, 2, 3, 2 ... fields, in display order (temporal reference)."""
    es = bytearray(es)
    pattern = [(1, 1), (0, 0), (0, 1), (1, 0)]  # (top_field_first, repeat_first_field)
    gop_base, gop_count, display = 0, 0, None
    for i in start_codes(es):
        code = es[i + 3]
        if code == 0xB3:
            if es[i + 7] & 15 != 1:
                fail("soft film must be coded at 24000/1001")
            es[i + 7] = (es[i + 7] & 0xF0) | 4
        elif code == 0xB5 and es[i + 4] >> 4 == 1:
            es[i + 5] &= ~0x08
        elif code == 0xB8:
            gop_base += gop_count
            gop_count = 0
        elif code == 0x00:
            tr = (es[i + 4] << 2) | (es[i + 5] >> 6)
            display = gop_base + tr
            gop_count += 1
        elif code == 0xB5 and es[i + 4] >> 4 == 8:
            tff, rff = pattern[display % 4]
            if not es[i + 8] & 0x80:
                fail("soft film needs progressive frames")
            es[i + 7] = (es[i + 7] & ~0x82) | (0x80 if tff else 0) | (0x02 if rff else 0)
    return bytes(es)


def strip_end(es):
    return es[:-4] if es.endswith(b"\0\0\1\xb7") else es


def encode_segment(seg, std, aspect, film, kbps, flash_locals, work, tag, logfile):
    """One stretch as an MPEG-2 elementary stream, at kbps (average, peak)."""
    gop = STANDARDS[std]["gop"]
    base = ["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"]
    coder = ["-c:v", "mpeg2video", "-b:v", f"{kbps[0]}k", "-maxrate", f"{kbps[1]}k", "-bufsize", "1835k",
             "-sc_threshold", "1000000000", "-aspect", aspect, "-threads", "2"]
    frames = seg.count // 2 if seg.kind == "interlaced" else seg.count
    out = os.path.join(work, f"{tag}.m2v")
    if seg.kind == "soft-film" and film == "mencoder":
        mkv = os.path.join(work, f"{tag}.film.mkv")
        run(base + ["-f", "lavfi", "-i", segment_graph(seg, std, flash_locals), "-frames:v", frames,
                    "-c:v", "ffv1", mkv], f"making film {tag}", logfile)
        mpg = os.path.join(work, f"{tag}.film.mpg")
        run(["mencoder", mkv, "-really-quiet", "-of", "mpeg", "-mpegopts", "format=dvd:tsaf:telecine",
             "-ofps", "24000/1001", "-ovc", "lavc", "-lavcopts",
             f"vcodec=mpeg2video:vrc_buf_size=1835:vrc_maxrate={kbps[1]}:vbitrate={kbps[0]}:keyint=12"
             f":sc_threshold=1000000000:threads=2:aspect={aspect.replace(':', '/')}", "-nosound", "-o", mpg],
            f"pulldown flags for {tag}", logfile)
        run(base + ["-i", mpg, "-map", "0:v", "-c", "copy", "-f", "mpeg2video", out], f"taking out film {tag}", logfile)
        os.remove(mkv)
        return out
    if seg.kind == "soft-film":
        # One B picture: the open GOP's first picture then starts on a whole frame of the
        # pulldown, where a cell can begin.
        run(base + ["-f", "lavfi", "-i", segment_graph(seg, std, flash_locals), "-frames:v", frames,
                    *coder, "-g", "12", "-bf", "1", "-f", "mpeg2video", out + ".film"], f"coding film {tag}", logfile)
        with open(out + ".film", "rb") as f:
            es = soft_pulldown(f.read())
        with open(out, "wb") as f:
            f.write(es)
        return out
    scan = ["-flags", "+ilme+ildct", "-top", "1"] if seg.kind in ("interlaced", "film-coded-interlaced") else []
    run(base + ["-f", "lavfi", "-i", segment_graph(seg, std, flash_locals), "-frames:v", frames, *coder,
                "-g", gop, "-bf", "2", *scan, "-f", "mpeg2video", out], f"coding {tag}", logfile)
    return out


# ----------------------------------------------------------------------------------------
# Sound

def tone_samples(tr, start_sample, count, bursts):
    """Mono float samples of a track from title sample start_sample on."""
    f = tr["tone"]
    period = SR // math.gcd(SR, f)
    peak = 10 ** (tr["peak"] / 20)
    level = peak if tr["steady"] else 10 ** (BED_DBFS / 20)
    cycle = array.array("f", (level * math.sin(2 * math.pi * f * i / SR) for i in range(period)))
    reps = (start_sample % period + count) // period + 1
    out = (cycle * reps)[start_sample % period: start_sample % period + count]
    if not tr["steady"]:
        burst = array.array("f", (peak * math.sin(2 * math.pi * f * i / SR) for i in range(BURST)))
        for b in bursts:
            lo, hi = max(b, start_sample), min(b + BURST, start_sample + count)
            if lo < hi:
                out[lo - start_sample:hi - start_sample] = burst[lo - b:hi - b]
    if sys.byteorder != "little":
        out.byteswap()
    return out


def audio_kbps(tr):
    return {"ac3": 448 if tr["channels"] == 6 else 192, "lpcm": 1536, "mp2": 224, "dts": 768}[tr["coding"]]


def video_kbps(title):
    """Average and peak bit rate of a title's pictures: 7 and 9 Mbit/s, less where the sound
    would take the whole past the DVD's 10.08 Mbit/s (LPCM alone takes 1.5)."""
    peak = min(9000, 9800 - sum(audio_kbps(a) for a in title["audio"]))
    return min(7000, peak - 1500), peak


def audio_args(k, tr):
    """Coder options for output audio stream k, fed one channel of tone."""
    layout = LAYOUTS.get((tr["coding"], tr["channels"]))
    if layout is None:
        fail(f"no layout for {tr['coding']} with {tr['channels']} channels")
    names = {1: None, 2: ["c0", "c1"], 6: ["FL", "FR", "FC", "LFE", "BL", "BR"]}[tr["channels"]]
    if tr["coding"] == "dts":
        names = ["FL", "FR", "FC", "LFE", "SL", "SR"]
    af = []
    if names:
        name = {2: "stereo", 6: "5.1(side)" if tr["coding"] == "dts" else "5.1"}[tr["channels"]]
        af.append(f"pan={name}|" + "|".join(f"{c}={g}*c0" for c, g in zip(names, layout) if g))
    coder = {"ac3": ["ac3"], "lpcm": ["pcm_s16be"], "mp2": ["mp2"], "dts": ["dca"]}[tr["coding"]]
    if tr["coding"] != "lpcm":
        coder += [f"-b:a:{k}", f"{audio_kbps(tr)}k"]
    if tr["coding"] == "lpcm":
        # One DVD LPCM frame (1/600 s) a packet, so that each packet's time stamp is its
        # first frame's; the frame headers are put right afterwards.
        af.append("asetnsamples=n=80:p=0")
    args = [f"-c:a:{k}", *coder, f"-ac:a:{k}", str(tr["channels"]), f"-ar:a:{k}", str(SR)]
    if af:
        args += [f"-filter:a:{k}", ",".join(af)]
    return args


# ----------------------------------------------------------------------------------------
# MPEG program streams

def ps_packets(d, start=0, end=None):
    """(offset, stream id, PES payload with header) of every packet of a program stream."""
    i, end = start, len(d) if end is None else end
    while i + 4 <= end:
        if d[i:i + 3] != b"\0\0\1":
            fail(f"program stream out of step at byte {i}")
        sid = d[i + 3]
        if sid == 0xBA:
            i += 14 + (d[i + 13] & 7)
            continue
        if sid == 0xB9:
            i += 4
            continue
        n = int.from_bytes(d[i + 4:i + 6], "big")
        yield i, sid, d[i + 6:i + 6 + n]
        i += 6 + n


def pes_pts(p):
    if p[1] & 0x80:
        b = p[3:8]
        return ((b[0] >> 1) & 7) << 30 | b[1] << 22 | (b[2] >> 1) << 15 | b[3] << 7 | b[4] >> 1
    return None


def audio_key(sid, p):
    """The id a DVD player knows an audio packet by: its substream id, or its MPEG stream id."""
    if sid == 0xBD:
        return p[3 + p[2]]
    if 0xC0 <= sid <= 0xC7:
        return sid
    return None


def restream(path, tracks):
    """Gives the tracks the ids of their stream numbers (ffmpeg counts each coding from 0,
    dvdauthor takes the low bits as the stream number), and fills in the DVD LPCM frame
    headers, which ffmpeg leaves fixed."""
    with open(path, "rb") as f:
        d = bytearray(f.read())
    seen, remap = {}, {}
    for k, tr in enumerate(tracks):
        base = CODINGS[tr["coding"]]["base"]
        remap[base + seen.get(base, 0)] = base + k
        seen[base] = seen.get(base, 0) + 1
    lpcm_bytes, lpcm_pts0 = {}, {}
    frame = 320  # 80 stereo 16-bit samples
    for off, sid, p in ps_packets(bytes(d)):
        if sid == 0xBB:
            j = off + 12
            while j < off + 6 + len(p):
                if d[j] in remap:
                    d[j] = remap[d[j]]
                j += 3
            continue
        key = audio_key(sid, p)
        if key is None:
            continue
        if sid != 0xBD:
            d[off + 3] = remap.get(key, key)
            continue
        sub = off + 9 + p[2]
        if 0xA0 <= key <= 0xA7:
            n = len(p) - 3 - p[2] - 7
            done = lpcm_bytes.get(key, 0)
            k = -(-done // frame)
            skip = k * frame - done
            frames = 0 if skip >= n else (n - 1 - skip) // frame + 1
            pts = pes_pts(p)
            if pts is not None:
                pts0 = lpcm_pts0.setdefault(key, pts - k * 150)
                if pts != pts0 + k * 150:
                    fail(f"{path}: an LPCM packet's time stamp is not its first frame's")
            d[sub + 1] = frames
            d[sub + 2:sub + 4] = (skip + 4 if frames else 0).to_bytes(2, "big")
            lpcm_bytes[key] = done + n
        d[sub] = remap.get(key, key)
    with open(path, "wb") as f:
        f.write(d)


def mpeg_units(es):
    starts = list(start_codes(es))
    for a, b in zip(starts, starts[1:] + [len(es)]):
        yield es[a + 3], es[a + 4:b]


def video_es(d, start=0, end=None):
    out = bytearray()
    for _, sid, p in ps_packets(d, start, end):
        if sid == 0xE0:
            out += p[3 + p[2]:]
    return bytes(out)


def gops(es):
    """Per GOP in coded order: closed flag and its pictures as (type, temporal reference)."""
    out = []
    for code, b in mpeg_units(es):
        if code == 0xB8 and len(b) >= 4:
            out.append(dict(closed=(b[3] >> 6) & 1, broken=(b[3] >> 5) & 1, pictures=[]))
        elif code == 0x00 and out and len(b) >= 2:
            out[-1]["pictures"].append(("?IPB"[(b[1] >> 3) & 7], (b[0] << 2) | (b[1] >> 6)))
    return out


def leading_b(gop):
    """B pictures shown before the GOP's I picture: they refer to the GOP before."""
    pics = gop["pictures"]
    if not pics or pics[0][0] != "I":
        return 0
    return sum(1 for t, tr in pics[1:] if t == "B" and tr < pics[0][1])


# ----------------------------------------------------------------------------------------
# IFO

def be(d, o, n):
    return int.from_bytes(d[o:o + n], "big")


def bcd(x):
    return (x >> 4) * 10 + (x & 15)


def ifo_time(b, std):
    rate = {1: 25, 3: 30}.get(b[3] >> 6)
    if rate != {"pal": 25, "ntsc": 30}[std]:
        fail(f"an IFO time has frame rate bits {b[3] >> 6} on a {std} disc")
    frames = ((bcd(b[0]) * 60 + bcd(b[1])) * 60 + bcd(b[2])) * rate + bcd(b[3] & 0x3F)
    return frames * (Q(1, 25) if rate == 25 else Q(1001, 30000))


def pgc_offsets(d):
    pgci = be(d, 0xCC, 4) * 2048
    return pgci, [pgci + be(d, pgci + 8 + 8 * i + 4, 4) for i in range(be(d, pgci, 2))]


def read_pgc(d, pgc, std):
    nprog, ncell = d[pgc + 2], d[pgc + 3]
    pm, cp, cpos = (pgc + be(d, pgc + o, 2) for o in (0xE6, 0xE8, 0xEA))
    cells = []
    for i in range(ncell):
        e = cp + 24 * i
        cells.append(dict(time=ifo_time(d[e + 4:e + 8], std), first=be(d, e + 8, 4), last=be(d, e + 20, 4),
                          vob=be(d, cpos + 4 * i, 2), cell=d[cpos + 4 * i + 3]))
    return dict(programs=[d[pm + i] for i in range(nprog)], cells=cells, time=ifo_time(d[pgc + 4:pgc + 8], std))


def read_ptt(d):
    """Per title of the title set, its chapters as (PGC number, program number)."""
    ptt = be(d, 0xC8, 4) * 2048
    n, last = be(d, ptt, 2), be(d, ptt + 4, 4)
    offs = [be(d, ptt + 8 + 4 * i, 4) for i in range(n)] + [last + 1]
    return [[(be(d, ptt + o, 2), be(d, ptt + o + 2, 2)) for o in range(offs[i], offs[i + 1], 4)] for i in range(n)]


def reorder_chain(d, pgc_number, order, std):
    """Patches a chain (PGC) to play its cells in the given order (1-based VOB order),
    leaving its program map alone: program k then starts with the cell now in place k. The
    time map follows the new order."""
    _, pgcs = pgc_offsets(d)
    pgc = pgcs[pgc_number - 1]
    ncell = d[pgc + 3]
    if sorted(order) != list(range(1, ncell + 1)):
        fail(f"cell order {order} is not a permutation of {ncell} cells")
    old = read_pgc(d, pgc, std)["cells"]
    cp, cpos = pgc + be(d, pgc + 0xE8, 2), pgc + be(d, pgc + 0xEA, 2)
    playback = [bytes(d[cp + 24 * i:cp + 24 * i + 24]) for i in range(ncell)]
    position = [bytes(d[cpos + 4 * i:cpos + 4 * i + 4]) for i in range(ncell)]
    for k, c in enumerate(order):
        e = bytearray(playback[c - 1])
        # A cell that no longer follows its VOB neighbour starts a new time base.
        if k > 0 and order[k - 1] != c - 1:
            e[0] |= 0x02
        d[cp + 24 * k:cp + 24 * k + 24] = e
        d[cpos + 4 * k:cpos + 4 * k + 4] = position[c - 1]

    tmapti = be(d, 0xD4, 4) * 2048
    if tmapti == 0 or be(d, tmapti, 2) < pgc_number:
        return
    tmap = tmapti + be(d, tmapti + 8 + 4 * (pgc_number - 1), 4)
    unit, n = Q(d[tmap]), be(d, tmap + 2, 2)
    old_start, t = [], Q(0)
    for c in old:
        old_start.append(t)
        t += c["time"]
    entries = [be(d, tmap + 4 + 4 * i, 4) & 0x7FFFFFFF for i in range(n)]
    new, t = [], Q(0)
    for c in order:
        new.append((t, c))
        t += old[c - 1]["time"]
    prev = None
    for i in range(n):
        at = (i + 1) * unit
        start, c = [x for x in new if x[0] <= at][-1]
        was = old_start[c - 1] + (at - start)
        if at == start:
            sector = old[c - 1]["first"]
        else:
            k = was / unit
            if k.denominator != 1:
                fail("cells must start on whole time map units to be reordered")
            sector = entries[int(k) - 1]
        jump = prev is not None and c != prev and c != prev + 1
        d[tmap + 4 + 4 * i:tmap + 8 + 4 * i] = (sector | (0x80000000 if jump else 0)).to_bytes(4, "big")
        prev = c


# ----------------------------------------------------------------------------------------
# Making a disc

def frame_times(f):
    """Display time of every frame of a file, in 90 kHz ticks from its first."""
    want = []
    for s in f["segments"]:
        frames = s.count // 2 if s.kind == "interlaced" else s.count
        for j in range(frames):
            local = 2 * j if s.kind == "interlaced" else j
            want.append(round((s.start - f["start"] + s.picture_time(local)) * 90000))
    return want


def set_pts(d, at, pts):
    d[at] = (d[at] & 0xF0) | ((pts >> 29) & 0x0E) | 1
    d[at + 1] = (pts >> 22) & 0xFF
    d[at + 2] = ((pts >> 14) & 0xFE) | 1
    d[at + 3] = (pts >> 7) & 0xFF
    d[at + 4] = ((pts << 1) & 0xFE) | 1


def fix_picture_times(path, f):
    """Sets every video time stamp to its picture's planned display time. FFmpeg makes them
    from the stream (-fflags +genpts), right but for the last picture of film with B
    pictures, which it gives the field count of the picture before."""
    with open(path, "rb") as fh:
        d = bytearray(fh.read())
    want = frame_times(f)
    es, stamps = bytearray(), []
    for off, sid, p in ps_packets(bytes(d)):
        if sid == 0xE0:
            if p[1] & 0x80:
                stamps.append((len(es), off + 9))  # where the PTS is
            es += p[3 + p[2]:]
    # Display index of each picture, in coded order: its GOP's first plus its temporal reference.
    pics, base, count = [], 0, 0
    for i in start_codes(es):
        if es[i + 3] == 0xB8:
            base, count = base + count, 0
        elif es[i + 3] == 0x00:
            pics.append((i, base + ((es[i + 4] << 2) | (es[i + 5] >> 6))))
            count += 1
    if sorted(x for _, x in pics) != list(range(len(want))):
        fail(f"{path}: the stream's pictures do not show {len(want)} frames once each")
    starts = [i for i, _ in pics]
    first = None
    changed = 0
    for k, (pos, at) in enumerate(stamps):
        # A time stamp is the first picture's that starts in its packet.
        end = stamps[k + 1][0] if k + 1 < len(stamps) else len(es)
        j = bisect.bisect_left(starts, pos)
        if j == len(starts) or starts[j] >= end:
            continue
        had = pes_pts(d[at - 3:at + 5])
        if first is None:
            if pics[j][1] != 0:
                fail(f"{path}: the first picture muxed is not the first shown")
            first = had
        pts = first + want[pics[j][1]]
        # NTSC fields are 1501.5 ticks: FFmpeg's whole ticks may round the other way.
        if abs(had - pts) > 1:
            set_pts(d, at, pts)
            changed += 1
    with open(path, "wb") as fh:
        fh.write(d)
    return changed


def check_picture_times(vonly, f):
    """Every picture of a file must be shown when the plan says: film frames for 3 or 2 fields."""
    out = capture(["ffprobe", "-v", "error", "-select_streams", "v", "-show_entries", "packet=pts",
                   "-of", "csv=p=0", vonly], "reading picture times")
    lines = out.split()
    # A packet that starts a second picture in one PES has no time stamp of its own.
    pts = sorted(int(x) for x in lines if x.isdigit())
    want = frame_times(f)
    if len(lines) != len(want) or len(pts) < 0.9 * len(want):
        fail(f"{vonly}: {len(lines)} pictures muxed ({len(pts)} with a time), {len(want)} made")
    left = set(want)
    for p in pts:
        at = next((w for w in (p - pts[0] - 1, p - pts[0], p - pts[0] + 1) if w in left), None)
        if at is None:
            fail(f"{vonly}: a picture is shown at {(p - pts[0]) / 90000:.4f} s, when none was made")
        left.remove(at)


def make_file(title, f, std, aspect, work, tag, logfile):
    """One source file of a title, muxed for dvdauthor: its stretches coded and joined into
    one stream, its sound as long as its pictures."""
    base = ["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"]
    flashes = {p for _, p in f["flashes"]}
    parts = []
    for si, seg in enumerate(f["segments"]):
        locals_ = [j for j in range(seg.count) if seg.first + j in flashes]
        m2v = encode_segment(seg, std, aspect, title.get("film"), video_kbps(title), locals_, work, f"{tag}s{si}",
                             logfile)
        with open(m2v, "rb") as fh:
            es = fh.read()
        os.remove(m2v)
        if seg.kind == "progressive-video":
            es = set_progressive_sequence(es, 0)
        parts.append(strip_end(es) if si < len(f["segments"]) - 1 else es)
    joined = os.path.join(work, f"{tag}.m2v")
    with open(joined, "wb") as fh:
        fh.write(b"".join(parts))
    # Time stamps from the stream itself (3 or 2 fields a film frame); the sound is muxed
    # against this file so that its start meets the first picture.
    vonly = os.path.join(work, f"{tag}.video.mpg")
    run(base + ["-fflags", "+genpts", "-f", "mpegvideo", "-i", joined, "-map", "0:v", "-c:v", "copy",
                "-f", "dvd", *MUXRATE, vonly], f"muxing pictures of {tag}", logfile)
    os.remove(joined)
    fixed = fix_picture_times(vonly, f)
    if fixed > 1:
        fail(f"{tag}: {fixed} pictures had to be given their time; FFmpeg's are expected right but one")
    check_picture_times(vonly, f)

    args = base + ["-i", vonly]
    start_sample, count = int(f["start"] * SR), int(f["duration"] * SR)
    bursts = [int(t * SR) for t, _ in f["flashes"]]
    for k, tr in enumerate(title["audio"]):
        raw = os.path.join(work, f"{tag}.a{k}.f32")
        with open(raw, "wb") as fh:
            tone_samples(tr, start_sample, count, bursts).tofile(fh)
        delay = CODINGS[tr["coding"]].get("delay", 0)
        if delay:
            args += ["-itsoffset", f"{-delay / SR:.6f}"]
        args += ["-f", "f32le", "-ar", str(SR), "-ac", "1", "-i", raw]
    args += ["-map", "0:v"] + [x for k in range(len(title["audio"])) for x in ("-map", f"{k + 1}:a")]
    args += ["-c:v", "copy"]
    for k, tr in enumerate(title["audio"]):
        args += audio_args(k, tr)
    if any(tr["coding"] == "dts" for tr in title["audio"]):
        args += ["-strict", "-2"]
    mpg = os.path.join(work, f"{tag}.mpg")
    run(args + ["-f", "dvd", *MUXRATE, mpg], f"muxing sound into {tag}", logfile)
    os.remove(vonly)
    for k in range(len(title["audio"])):
        os.remove(os.path.join(work, f"{tag}.a{k}.f32"))
    restream(mpg, title["audio"])
    return mpg


def make_disc(name, plan, out, keep, stamp):
    std, aspect = plan["standard"], plan["aspect"]
    work_out(plan)
    parent = os.path.dirname(os.path.abspath(out))
    os.makedirs(parent, exist_ok=True)
    work = tempfile.mkdtemp(prefix=".make-real-dvd.", dir=parent)
    logfile = os.path.join(work, "log.txt")
    try:
        xml = [f'<dvdauthor dest="{work}/disc">', " <vmgm><fpc>jump title 1;</fpc></vmgm>",
               " <titleset>", "  <titles>", f'   <video format="{std}" aspect="{aspect}"/>']
        first_audio = plan["titles"][0]["audio"]
        for t in plan["titles"]:
            if [(a["coding"], a["channels"], a["lang"]) for a in t["audio"]] != \
                    [(a["coding"], a["channels"], a["lang"]) for a in first_audio]:
                fail("all titles of the title set must have the same audio tracks")
        for a in first_audio:
            content = f' content="{a["content"]}"' if a["content"] else ""
            xml.append(f'   <audio lang="{a["lang"]}"{content}/>')
        for ti, title in enumerate(plan["titles"], 1):
            xml.append("   <pgc>")
            for fi, f in enumerate(title["files_"], 1):
                mpg = make_file(title, f, std, aspect, work, f"t{ti}f{fi}", logfile)
                marks = ",".join(f"{float(c):g}" for c in f["chapters"])
                xml.append(f'    <vob file="{mpg}" chapters="{marks}"/>')
            xml.append("   </pgc>")
        xml += ["  </titles>", " </titleset>", "</dvdauthor>"]
        xml_path = os.path.join(work, "dvd.xml")
        with open(xml_path, "w") as fh:
            fh.write("\n".join(xml) + "\n")
        dlog = os.path.join(work, "dvdauthor.log")
        run(["dvdauthor", "-x", xml_path], "authoring (dvdauthor)", dlog,
            env=dict(os.environ, VIDEO_FORMAT=STANDARDS[std]["fmt"]))
        with open(dlog, errors="replace") as fh:
            warnings = [line.strip() for line in fh if line.startswith(("WARN", "ERR"))]
        if warnings:
            fail("dvdauthor warned:\n" + "\n".join(warnings[:10]))
        vts = os.path.join(work, "disc", "VIDEO_TS")
        for ti, title in enumerate(plan["titles"], 1):
            if "play" in title:
                for ext in ("IFO", "BUP"):
                    p = os.path.join(vts, f"VTS_01_0.{ext}")
                    with open(p, "rb") as fh:
                        d = bytearray(fh.read())
                    reorder_chain(d, ti, title["play"], std)
                    with open(p, "wb") as fh:
                        fh.write(d)
        truth = make_truth(plan, vts)
        check_disc(name, plan, truth, os.path.join(work, "disc"), work)
        with open(os.path.join(work, "disc", "truth.json"), "w") as fh:
            fh.write(json_lines(truth) + "\n")
        with open(os.path.join(work, "disc", ".make-real-dvd"), "w") as fh:
            fh.write(stamp + "\n")
        shutil.rmtree(out, ignore_errors=True)
        os.rename(os.path.join(work, "disc"), out)
    finally:
        if keep:
            log(f"work files kept in {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


# ----------------------------------------------------------------------------------------
# Truth

def read_vts(vts, std):
    with open(os.path.join(vts, "VTS_01_0.IFO"), "rb") as fh:
        d = fh.read()
    with open(os.path.join(vts, "VTS_01_0.BUP"), "rb") as fh:
        if fh.read() != d:
            fail("VTS_01_0.IFO and its .BUP differ")
    _, pgcs = pgc_offsets(d)
    return d, [read_pgc(d, p, std) for p in pgcs], read_ptt(d)


def played_segments(title):
    """(segment, title start, file) in playing order."""
    files = title["files_"]
    order = title.get("play", list(range(1, len(files) + 1)))
    out, t = [], Q(0)
    for c in order:
        f = files[c - 1]
        for s in f["segments"]:
            out.append((s, t + (s.start - f["start"]), f))
        t += f["duration"]
    return out


def make_truth(plan, vts):
    std = plan["standard"]
    _, pgcs, ptts = read_vts(vts, std)
    if len(ptts) != len(plan["titles"]):
        fail(f"{len(ptts)} titles authored, {len(plan['titles'])} planned")
    titles = []
    for ti, (title, ptt) in enumerate(zip(plan["titles"], ptts), 1):
        pgcn = {p for p, _ in ptt}
        if len(pgcn) != 1:
            fail(f"title {ti} spans several chains")
        pgc = pgcs[pgcn.pop() - 1]
        cells, t = [], Q(0)
        sectors = sorted(c["first"] for c in pgc["cells"])
        for c in pgc["cells"]:
            cells.append(dict(start=t, duration=c["time"], vob_order=sectors.index(c["first"]) + 1))
            t += c["time"]
        # dvdauthor ends a cell with its sound, whose last coded frame may run past the last
        # picture, so the cells and the chain's own time (rounded apart) may be a frame of the
        # disc longer than the pictures.
        frame = 1 / STANDARDS[std]["frame_rate"]
        if not 0 <= t - title["duration"] <= frame or not 0 <= pgc["time"] - title["duration"] <= frame:
            fail(f"title {ti}: the cells last {float(t)} s, the chain says {float(pgc['time'])} s, "
                 f"the pictures {float(title['duration'])} s")
        played = played_segments(title)

        def shown_at(at):
            for s, start, _ in played:
                if start <= at < start + s.duration:
                    return s.first + s.picture_at(at - start)
            fail(f"title {ti}: no picture at {float(at)} s")

        chapters = []
        for _, pg in ptt:
            start = cells[pgc["programs"][pg - 1] - 1]["start"]
            chapters.append(dict(start=start, first=shown_at(start)))
        segments = []
        for s, start, _ in played:
            prev = segments[-1] if segments else None
            if prev and prev["kind"] == s.kind and prev["first"] + prev["count"] == s.first and \
                    prev["start"] + prev["duration"] == start:
                prev["count"] += s.count
                prev["duration"] += s.duration
            else:
                segments.append(dict(kind=s.kind, start=start, duration=s.duration, first=s.first,
                                     count=s.count, rate=rate_text(s.rate)))
        flashes = []
        order = title.get("play", list(range(1, len(title["files_"]) + 1)))
        t = Q(0)
        for c in order:
            f = title["files_"][c - 1]
            flashes += [dict(time=t + (ft - f["start"]), picture=p) for ft, p in f["flashes"]]
            t += f["duration"]
        audio = []
        for k, tr in enumerate(title["audio"]):
            a = dict(stream=k, id=CODINGS[tr["coding"]]["base"] + k - (0xC0 if tr["coding"] == "mp2" else 0),
                     coding=tr["coding"], channels=tr["channels"], lang=tr["lang"], tone=tr["tone"],
                     peak_dbfs=tr["peak"], bed_dbfs=tr["peak"] if tr["steady"] else BED_DBFS,
                     burst_ms=0 if tr["steady"] else 1000 * BURST // SR)
            if tr["content"]:
                a["content"] = tr["content"]
            audio.append(a)
        titles.append(dict(
            number=ti, duration=secs(title["duration"]), ifo_duration=secs(pgc["time"]),
            segments=[dict(kind=s["kind"], start=secs(s["start"]), duration=secs(s["duration"]),
                           first=s["first"], count=s["count"], rate=s["rate"]) for s in segments],
            chapters=[dict(start=secs(c["start"]), first=c["first"]) for c in chapters],
            cells=[dict(start=secs(c["start"]), duration=secs(c["duration"]), vob_order=c["vob_order"])
                   for c in cells],
            flashes=[dict(time=secs(f["time"]), picture=f["picture"]) for f in flashes],
            audio=audio,
            open_gop_chapters=list(title["open"])))
    return dict(standard=std, aspect=plan["aspect"], titles=titles)


def json_lines(v, indent=0):
    """JSON with every object or list of plain values on a line of its own, for reading."""
    if not isinstance(v, (dict, list)) or all(not isinstance(x, (dict, list)) for x in
                                               (v.values() if isinstance(v, dict) else v)):
        return json.dumps(v)
    pad = " " * (indent + 2)
    if isinstance(v, dict):
        body = [f"{pad}{json.dumps(k)}: {json_lines(x, indent + 2)}" for k, x in v.items()]
        return "{\n" + ",\n".join(body) + "\n" + " " * indent + "}"
    return "[\n" + ",\n".join(pad + json_lines(x, indent + 2) for x in v) + "\n" + " " * indent + "]"


# ----------------------------------------------------------------------------------------
# Self-check

def read_vobs(vts):
    names = sorted(n for n in os.listdir(vts) if re.fullmatch(r"VTS_01_[1-9]\.VOB", n))
    data = bytearray()
    for n in names:
        with open(os.path.join(vts, n), "rb") as fh:
            data += fh.read()
    return bytes(data)


def decode_pictures(data, std, tmpdir=None):
    """Per decoded frame of an MPEG program stream: the picture codes of its (top, bottom)
    field, and, with tmpdir, the mean luma (0..255 full range) of each field's top 30 %."""
    w, h = STANDARDS[std]["size"]
    y0, y1, xs = band_geometry(w, h)
    rows, top = y1 - y0, round(Q(3, 10) * h) // 2 * 2  # 4:2:0 crops whole pairs of rows
    cmd = ["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-f", "mpeg", "-i", "pipe:0"]
    top_path = os.path.join(tmpdir, "top.gray") if tmpdir else None
    if top_path:
        cmd += ["-filter_complex", f"[0:v:0]split[a][b];[a]crop={w}:{rows}:0:{y0}[band];"
                                   f"[b]crop={w}:{top}:0:0,scale=16:{top}:flags=area[top]",
                "-map", "[top]", "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt", "gray", "-y", top_path,
                "-map", "[band]"]
    else:
        cmd += ["-map", "0:v:0", "-vf", f"crop={w}:{rows}:0:{y0}"]
    cmd += ["-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt", "gray", "pipe:1"]
    raw = capture(cmd, "decoding pictures", data, text=False)
    size = w * rows
    mid = rows // 2
    codes = []
    for k in range(len(raw) // size):
        frame = raw[k * size:(k + 1) * size]
        pair = []
        for parity in (0, 1):
            lines = [r for r in range(mid - 12, mid + 12) if (y0 + r) % 2 == parity]
            cells = []
            for c in range(20):
                a = (xs[c] + xs[c + 1]) // 2 - 6
                total = sum(sum(frame[r * w + a:r * w + a + 12]) for r in lines)
                cells.append(total > 128 * 12 * len(lines))
            pair.append(read_code(cells))
        codes.append(tuple(pair))
    if not top_path:
        return codes, None
    with open(top_path, "rb") as fh:
        raw = fh.read()
    os.remove(top_path)
    size = 16 * top
    tops = []
    for k in range(len(raw) // size):
        frame = raw[k * size:(k + 1) * size]
        means = []
        for parity in (0, 1):
            lines = range(parity, top, 2)
            means.append(sum(sum(frame[r * 16:(r + 1) * 16]) for r in lines) / (16 * len(lines)))
        tops.append(tuple(means))
    if len(tops) != len(codes):
        fail("the two decodings of one stream differ in length")
    return codes, tops


def expected_frames(segments):
    out = []
    for s in segments:
        if s["kind"] == "interlaced":
            out += [(s["first"] + j, s["first"] + j + 1) for j in range(0, s["count"], 2)]
        else:
            out += [(s["first"] + j, s["first"] + j) for j in range(s["count"])]
    return out


def runs_of(cells):
    """Cells in playing order grouped into runs that lie one after the other in the VOB."""
    runs = []
    for c in cells:
        if runs and runs[-1][-1]["last"] + 1 == c["first"]:
            runs[-1].append(c)
        else:
            runs.append([c])
    return runs


def analyse_track(samples, nch, layout, tr, flash_samples, where):
    """Checks a decoded track: its tone, levels per channel, and a burst at every flash."""
    x = samples[0::nch]
    n = len(x)
    peak_want = 10 ** (tr["peak"] / 20)
    if tr["steady"]:
        body = x[n // 10: n - n // 10]
        got = 20 * math.log10(max(abs(min(body)), max(body)))
        if abs(got - tr["peak"]) > 0.5:
            fail(f"{where}: steady tone peaks at {got:.1f} dBFS, made at {tr['peak']}")
        quiet = [(n // 10, n - n // 10)]
    else:
        thr = 10 ** ((tr["peak"] + BED_DBFS) / 40)
        block = 48
        env = [max(max(x[i:i + block]), -min(x[i:i + block])) for i in range(0, n - block + 1, block)]
        onsets = []
        for b in range(1, len(env)):
            if env[b] > thr and env[b - 1] <= thr and (not onsets or b * block - onsets[-1] > BURST):
                i = (b - 1) * block
                while abs(x[i]) <= thr:
                    i += 1
                onsets.append(i)
        if len(onsets) != len(flash_samples):
            fail(f"{where}: {len(onsets)} bursts heard, {len(flash_samples)} flashes made")
        # A burst starts at phase 0, so it crosses the threshold a few samples in; lossy
        # coders smear its start by up to a few ms, LPCM keeps it to the sample.
        lag = math.ceil(math.asin(thr / peak_want) * SR / (2 * math.pi * tr["tone"]))
        tol = 1 if tr["coding"] == "lpcm" else SR * 3 // 1000
        for o, want in zip(onsets, flash_samples):
            if abs(o - want - lag) > tol:
                fail(f"{where}: burst heard at sample {o}, its flash is at {want} (+{lag} to cross the threshold)")
        for ch, g in enumerate(layout):
            y = samples[ch::nch]
            top = max(max(max(y[o:o + BURST]), -min(y[o:o + BURST])) for o in flash_samples)
            if g == 0:
                # Silent but for what the coder lets through (DTS: about 35 dB down).
                if top > peak_want * 10 ** (-30 / 20):
                    fail(f"{where}: channel {ch} should be silent, peaks at {20 * math.log10(top):.1f} dBFS")
                continue
            got = 20 * math.log10(top)
            want = tr["peak"] + 20 * math.log10(g)
            if abs(got - want) > 1.5:
                fail(f"{where}: channel {ch} bursts peak at {got:.1f} dBFS, made at {want:.1f}")
        quiet = [(a + BURST + SR // 20, b - SR // 20) for a, b in zip([-BURST] + flash_samples, flash_samples + [n])]
    # The tone's pitch, from zero crossings of the longest quiet stretch.
    a, b = max(quiet, key=lambda q: q[1] - q[0])
    if b - a < SR // 4:
        fail(f"{where}: no stretch long enough to hear the tone")
    crossings = sum(1 for i in range(a, b - 1) if (x[i] < 0) != (x[i + 1] < 0))
    freq = crossings * SR / 2 / (b - a)
    if abs(freq - tr["tone"]) > 0.02 * tr["tone"]:
        fail(f"{where}: tone at {freq:.0f} Hz, made at {tr['tone']} Hz")
    if not tr["steady"]:
        rms = math.sqrt(sum(v * v for v in x[a:b]) / (b - a))
        bed = 20 * math.log10(rms * math.sqrt(2))
        if abs(bed - BED_DBFS) > 2:
            fail(f"{where}: bed tone at {bed:.1f} dBFS, made at {BED_DBFS}")


def check_audio(data, lo, hi, title, f, where, tmpdir):
    """Decodes every track of one source file's sectors and checks it against the plan."""
    first_v, first_a = None, {}
    for _, sid, p in ps_packets(data, lo * 2048, hi * 2048):
        pts = pes_pts(p) if p[1] & 0x80 and sid not in (0xBB, 0xBE, 0xBF) else None
        if pts is None:
            continue
        if sid == 0xE0:
            first_v = pts if first_v is None else min(first_v, pts)
        else:
            key = audio_key(sid, p)
            if key is not None:
                first_a.setdefault(key, pts)
    tracks = title["audio"]
    ids = [CODINGS[tr["coding"]]["base"] + k for k, tr in enumerate(tracks)]
    if sorted(first_a) != sorted(ids):
        fail(f"{where}: audio ids {[hex(i) for i in sorted(first_a)]} in the VOB, {[hex(i) for i in ids]} planned")
    tmp = tempfile.mkdtemp(prefix="audio.", dir=tmpdir)
    try:
        cmd = ["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-f", "mpeg", "-i", "pipe:0"]
        for k, i in enumerate(ids):
            sid = 0x100 | i if i >= 0xC0 else i  # FFmpeg's id of MPEG audio is its start code
            cmd += ["-map", f"0:#{hex(sid)}", "-f", "f32le", os.path.join(tmp, f"{k}.f32")]
        capture(cmd, f"decoding sound of {where}", data[lo * 2048:hi * 2048])
        for k, tr in enumerate(tracks):
            samples = array.array("f")
            with open(os.path.join(tmp, f"{k}.f32"), "rb") as fh:
                samples.frombytes(fh.read())
            if sys.byteorder != "little":
                samples.byteswap()
            layout = LAYOUTS[(tr["coding"], tr["channels"])]
            lead = round((first_v - first_a[ids[k]]) * SR / 90000)
            flash_samples = [lead + int((t - f["start"]) * SR) for t, _ in f["flashes"]]
            analyse_track(samples, len(layout), layout, tr, flash_samples, f"{where} track {k}")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def check_disc(name, plan, truth, disc, work):
    std = plan["standard"]
    vts = os.path.join(disc, "VIDEO_TS")
    t0 = time.time()
    # lsdvd reads the disc with libdvdread, independently of the IFO reader here.
    out = capture(["lsdvd", "-x", "-Oy", disc], "lsdvd")
    info = ast.literal_eval(out[out.index("{"):])
    tracks = info["track"]
    if len(tracks) != len(truth["titles"]):
        fail(f"lsdvd lists {len(tracks)} titles, {len(truth['titles'])} made")
    _, pgcs, ptts = read_vts(vts, std)
    data = read_vobs(vts)
    for tt, title, lt, ptt in zip(truth["titles"], plan["titles"], tracks, ptts):
        ti = tt["number"]
        where = f"{name} title {ti}"
        if len(lt["chapter"]) != len(tt["chapters"]) or len(lt["audio"]) != len(tt["audio"]):
            fail(f"{where}: lsdvd lists {len(lt['chapter'])} chapters and {len(lt['audio'])} audio "
                 f"tracks, {len(tt['chapters'])} and {len(tt['audio'])} made")
        for la, a in zip(lt["audio"], tt["audio"]):
            if la["format"].strip() != CODINGS[a["coding"]]["lsdvd"] or la["langcode"] != a["lang"] or \
                    la["channels"] != a["channels"]:
                fail(f"{where}: lsdvd lists audio {la['format']}/{la['channels']}/{la['langcode']}, "
                     f"made {a['coding']}/{a['channels']}/{a['lang']}")
        ident = capture(["mencoder", "-msglevel", "all=-1:identify=6", "-frames", "0", "-ovc", "copy", "-oac", "copy",
                         "-o", os.devnull, "-dvd-device", disc, f"dvd://{ti}"], "mencoder -identify")
        aids = [int(m) for m in re.findall(r"^ID_AID_(\d+)_LANG=", ident, re.M)]
        if aids != [a["id"] for a in tt["audio"]]:
            fail(f"{where}: MEncoder lists audio ids {aids}, truth says {[a['id'] for a in tt['audio']]}")
        pgc = pgcs[ptt[0][0] - 1]
        cells = pgc["cells"]
        lsd = [(c["first_sector"], c["last_sector"]) for c in lt["cell"]]
        if lsd != [(c["first"], c["last"]) for c in cells]:
            fail(f"{where}: lsdvd's cell sectors {lsd} differ from the IFO's")
        if "play" in title:
            vob_sorted = sorted(cells, key=lambda c: c["first"])
            if [vob_sorted.index(c) + 1 for c in cells] != title["play"]:
                fail(f"{where}: cells play in VOB order {[vob_sorted.index(c) + 1 for c in cells]}, "
                     f"planned {title['play']}")

        # Every picture of the title, once, in playing order.
        got, top_lumas = [], []
        for run_ in runs_of(cells):
            codes, tops = decode_pictures(data[run_[0]["first"] * 2048:(run_[-1]["last"] + 1) * 2048], std, work)
            got += codes
            top_lumas += tops
        want = expected_frames(tt["segments"])
        if got != want:
            k = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
            fail(f"{where}: decoded {len(got)} frames, {len(want)} expected; first difference at frame {k}: "
                 f"got {got[k:k + 3]}, expected {want[k:k + 3]}")

        # A flash is a white top on its own picture only (on the first field's of a frame);
        # every other picture is dark there. Full range here: 235 is 255, 160 is 168.
        flash_pictures = {f["picture"] for f in tt["flashes"]}
        for (codes, lumas) in zip(got, top_lumas):
            pictures = [(codes[0], lumas[0]), (codes[1], lumas[1])]
            if codes[0] == codes[1]:
                pictures = [(codes[0], (lumas[0] + lumas[1]) / 2)]
            for p, luma in pictures:
                if (p in flash_pictures) != (luma > 240) or (p not in flash_pictures and luma >= 168):
                    fail(f"{where}: picture {p} has a top of mean luma {luma:.0f} (full range); "
                         f"{'a flash' if p in flash_pictures else 'no flash'} was made")

        # Chapters: which start on an open GOP, and that the first picture shown is the truth's.
        opened = []
        for ch, (_, pg) in enumerate(ptt, 1):
            cell = cells[pgc["programs"][pg - 1] - 1]
            vobu = video_es(data, cell["first"] * 2048, min(cell["last"] + 1, cell["first"] + 400) * 2048)
            g = gops(vobu)
            if not g:
                fail(f"{where}: chapter {ch} starts with no GOP")
            lead = leading_b(g[0])
            if not g[0]["closed"] and not g[0]["broken"] and lead:
                opened.append(ch)
            # Alone, the cell's leading B pictures have nothing to refer to; the I picture
            # comes first, `lead` pictures after the chapter's first.
            alone, _ = decode_pictures(data[cell["first"] * 2048:min(cell["last"] + 1, cell["first"] + 400) * 2048], std)
            alone = [c for c in alone if c[0] is not None]
            seg = next(s for s in tt["segments"] if s["first"] <= tt["chapters"][ch - 1]["first"] < s["first"] + s["count"])
            step = 2 if seg["kind"] == "interlaced" else 1
            want_first = tt["chapters"][ch - 1]["first"] + step * lead
            if not alone or alone[0][0] != want_first:
                fail(f"{where}: chapter {ch} decoded alone starts at picture {alone[0][0] if alone else None}, "
                     f"expected {want_first} ({lead} leading B pictures before it)")
        if opened != tt["open_gop_chapters"]:
            fail(f"{where}: chapters {opened} start on an open GOP, planned {tt['open_gop_chapters']}")

        # Sound, per source file: dvdauthor gives each file its own VOB id.
        vobs = sorted({c["vob"] for c in cells})
        if len(vobs) != len(title["files_"]):
            fail(f"{where}: {len(vobs)} VOBs for {len(title['files_'])} files")
        for fidx, vob in enumerate(vobs, 1):
            lo = min(c["first"] for c in cells if c["vob"] == vob)
            hi = max(c["last"] for c in cells if c["vob"] == vob) + 1
            check_audio(data, lo, hi, title, title["files_"][fidx - 1], f"{where} file {fidx}", work)
    log(f"{name}: checked in {time.time() - t0:.1f} s")


def main():
    ap = argparse.ArgumentParser(description="Makes a test DVD shaped like a bought disc, with truth.json.")
    ap.add_argument("name", nargs="?", help="disc to make (--list names them)")
    ap.add_argument("-o", "--out", help="output folder (replaced when it holds an earlier disc of this script)")
    ap.add_argument("--list", action="store_true", help="name the discs and their title counts")
    ap.add_argument("--keep", action="store_true", help="keep the work files")
    ap.add_argument("--stamp", help="text for OUT/.make-real-dvd, which marks the folder as this script's "
                                    "(default: the disc's name); make-test-dvds.sh compares it to skip a disc")
    args = ap.parse_args()
    if args.list:
        for n, p in PLANS.items():
            print(n, len(p["titles"]))
        return 0
    if not args.name or not args.out:
        ap.error("a disc name and -o OUT are needed")
    if args.name not in PLANS:
        ap.error(f"no disc named '{args.name}' (--list names them)")
    for tool in ("ffmpeg", "ffprobe", "mencoder", "dvdauthor", "lsdvd"):
        if shutil.which(tool) is None:
            print(f"make-real-dvd.py: error: '{tool}' is not installed (scripts/setup.sh --tests installs it)",
                  file=sys.stderr)
            return 1
    out = args.out
    if os.path.exists(out):
        if not os.path.isdir(out):
            print(f"make-real-dvd.py: error: '{out}' exists and is not a folder", file=sys.stderr)
            return 1
        if os.listdir(out) and not os.path.exists(os.path.join(out, ".make-real-dvd")):
            print(f"make-real-dvd.py: error: '{out}' is not empty and holds no disc made by this script; "
                  "not replacing it", file=sys.stderr)
            return 1
    try:
        make_disc(args.name, PLANS[args.name], out, args.keep, args.stamp or args.name)
    except Failure as e:
        print(f"make-real-dvd.py: error: {args.name}: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
