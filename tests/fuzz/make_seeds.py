#!/usr/bin/env python3
# Writes the hand-made seed inputs of the fuzz targets into tests/fuzz/corpus/
# (file names are the SHA-1 of the contents, as libFuzzer names them). Run
# from the top of the tree; the corpus folders also hold inputs the fuzzers
# found, which this leaves alone.
import hashlib, os, struct
def put(name, blobs):
    d=f'tests/fuzz/corpus/{name}'
    os.makedirs(d, exist_ok=True)
    for b in blobs:
        open(os.path.join(d, hashlib.sha1(b).hexdigest()),'wb').write(b)
def h(e, neg): # exponent field: sign bit in bit 0, scale in the rest
    v=(e<<1)|neg
    return struct.pack('<h', max(-32768,min(32767,v)))
nf=[]
for v in [184.0, 0.5, 0.07, 1e-5, 1e-4, 1e15, 999999999999999.5, 0.1234567890123445, -0.25, 2.5, 3.5, -2.5,
          1e100, 2.5e-300, 4294967297.9, 2147483648.0, -2147483649.0, 1/3, 5e-324, 1.7976931348623157e308, 0.0, -0.0]:
    for mode in (0x80 | (5<<1), 0x81 | (2<<1), 0x80):
        nf.append(bytes([mode]) + struct.pack('<d', v))
for m, e in [(1<<63, -63), (0xFFFFFFFFFFFFFFFF, 16383-64), (1, -16383), (3, -1), (123456789, -20), (0xDE0B6B3A7640000, 0)]:
    nf.append(bytes([5<<1]) + struct.pack('<Q', m) + h(e,0))
    nf.append(bytes([1 | (3<<1)]) + struct.pack('<Q', m) + h(e,1))
put('number_format', nf)
texts=["", "-", "+", "1-2", "0", "-5", "2147483648", "-2147483649", "2147483647", "-2147483648", "0x7FFFFFFF", "$10",
       "x1F", "0X80000000", "1e400", "1e-400", "nan", "inf", "0.50000", "0.07000", " 12", "12 ", "1E", ".", "-.e5",
       "1.5E+3", "  -0.01000", "100000", "1000001", "3", "0.5", "$", "0x", "1e99999999999999999999", "0.000001e6"]
sp=[bytes([0]) + t.encode('latin-1') for t in texts]
sp += [bytes([2]) + "１２".encode('utf-8'), bytes([4]) + "１２".encode('utf-16-le'), bytes([1]) + b"0,50000",
       bytes([1]) + b"1,5e2", bytes([0]) + b"9"*300]
put('spin_input', sp)
designed = (b"[first]\nFormVersion=0\nFlags=0\nShowCmd=1\nPixelsPerInch=96\n"
            b"MinMaxPos(800x800)=-1,-1,-2,-2\nMinMaxPos=-1,-1,-2,-2\n"
            b"NormPos(800x800)=240,108,945,628\nNormPos=240,108,945,628\nVisible=0\n"
            b"PCrossValue_Value=0.5\nPMutValue_Value=0.07\nPopEdit_Value=100\nRefreshCount_Value=1\n"
            b"StepCount_Value=100\nHeightEdit_Value=10\nWidthEdit_Value=10\n")
inis=[designed, designed.replace(b"\n", b"\r\n"), b"\xEF\xBB\xBF"+designed,
      b"[other]\na=1\n\n[first]\nPopEdit_Value=5\n\n[First]\npopedit_value=7\nShowCmd=3\n",
      b"  [ first ]  \n  PopEdit_Value  =  12  \n; comment\nPCrossValue_Value = \"0.25\"\n",
      b"PopEdit_Value=3\n[first]\nWidthEdit_Value=12.5\nHeightEdit_Value=13.5",
      b"[first]\nA=\"\"quoted\"\"\nB='x'\nC=\nD\n[broken\n=novalue\n",
      b"[first]\nFormVersion=-1\nPopEdit_Value=50\n", b"[first]\nShowCmd=0x3\nFlags=$2\nPixelsPerInch=  96\n",
      b"[first]\r\nKey=1\r", b"\x00\xff\xfe[first]\x00\nPopEdit_Value=\xff\n",
      b"[first]\nNormPos=10 , 20,,300 400\nMinMaxPos=a,b\n", b""]
put('ini_file', inis)
fs=[bytes([i & 6]) + f for i,f in enumerate(inis)]
values=[b"0", b"0", b"3", b"96", b"-1,-1,-8,-8", b"", b"10,20,700,500", b"", b"1.5", b"3", b"1", b"0", b"abc",
        b"12.5", b"13.5", b"0"]
values2=[b"0", b"0", b"2", b"96", b"", b"", b"-2147483648,0,2147483647,100", b"", b" 0.00001 ", b"1E-5", b"1e6",
         b"1e400", b"0,5", b"  7  ", b"-3", b"1"]
fs += [bytes([1]) + b"\n".join(values), bytes([3]) + b"\n".join(values2), bytes([1]) + b"\n".join([b"-1"] + values[1:])]
put('form_storage', fs)
