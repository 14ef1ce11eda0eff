"""Gauss-Krüger forward and inverse written plainly with the host's math
functions, in the grouping of the module's formulas: the reference that the
tests hold the module against bit for bit, on points where both are defined.

`inverse` counts the footpoint passes, so tests can see how many a northing needs."""
import math

# e12, e22, a1 .. g1 of 1954, 1980, 1984 and 2000.
SERIES = {
    1954: (0.006693421622965863, 0.006738525414683408, 1.00505177390264, 0.00253118883004163,
           2.65613240640923e-06, 3.46857013689054e-09, 4.91369956981997e-12, 7.25789039272222e-15,
           1.07308289277072e-17),
    1980: (0.006694384999587975, 0.00673950181947295, 1.00505250559297, 0.00253155620900067,
           2.65690155540383e-06, 3.47007559905791e-09, 4.91654216666523e-12, 7.26313725279036e-15,
           1.07400991193685e-17),
    1984: (0.006694379990096569, 0.006739496742231083, 1.00505250178823, 0.00253155429865335,
           2.65689755559121e-06, 3.47006776962726e-09, 4.91652738216042e-12, 7.2631099616205e-15,
           1.07400508977617e-17),
    2000: (0.0066943800229006855, 0.006739496775478855, 1.00505250181315, 0.00253155431116305,
           2.65689758178354e-06, 3.47006782089741e-09, 4.91652747897505e-12, 7.26311014033353e-15,
           1.07400512135351e-17),
}
AXES = {1954: 6378245.0, 1980: 6378140.0, 1984: 6378137.0, 2000: 6378137.0}


def forward(central_meridian, longitude, latitude, crs=2000):
    e12, e22, a1, b1, c1, d1, e1, f1, g1 = SERIES[crs]
    a = AXES[crs]
    if longitude > 0:
        zone = math.floor(longitude / 6) + 1
    elif longitude < 0:
        zone = math.floor((longitude + 180) / 6) + 1
    else:
        zone = 0
    b = (latitude * math.pi) / 180
    deltal = ((longitude - central_meridian) * math.pi) / 180
    deltal2 = deltal * deltal
    t = math.tan(b)
    t2 = t * t
    t4 = t2 * t2
    cosb = math.cos(b)
    cosb2 = cosb * cosb
    yy = e22 * cosb2
    n = math.sqrt(1 - e12 * math.pow(math.sin(b), 2))
    s = (a1 * b - b1 * math.sin(2 * b) + c1 * math.sin(4 * b) - d1 * math.sin(6 * b) + e1 * math.sin(8 * b)
         - f1 * math.sin(10 * b) + g1 * math.sin(12 * b))
    p = (((5 - t2) + 9 * yy) + (4 * yy) * yy) / 24 + ((((61 - 58 * t2) + t4) * cosb2) * deltal2) / 720
    x = a * ((1 - e12) * s + (((t * cosb2) * deltal2) * (0.5 + (cosb2 * deltal2) * p)) / n)
    q = ((1 - t2) + yy) / 6 + (((((5 - 18 * t2) + t4) + 14 * yy) - (58 * yy) * t2) * cosb2 * deltal2) / 120
    y = (a * ((deltal * cosb) * (1 + (cosb2 * deltal2) * q))) / n
    return (zone * 1000000.0 + 500000.0) + y, x


def inverse(central_meridian, x, y, crs=2000, passes=None):
    """(longitude, latitude); `passes`, a list, receives the number of footpoint passes."""
    e12, e22, a1, b1, c1, d1, e1, f1, g1 = SERIES[crs]
    a = AXES[crs]
    zone = None
    zone6 = central_meridian is None
    if y >= 1000000:
        zone = math.floor(y / 1000000)
        if zone > 30 and central_meridian is None:
            zone6 = False
        y = y - (zone * 1000000.0)
    if central_meridian is None:
        central_meridian = float(zone * 6 - 3 if zone6 else zone * 3)
    if y > 0:
        y = y - 500000.0
    a0 = a * (1 - e12)
    b0 = (x / (a * (1 - e12))) * a1
    bf = 0.0
    delta = (2.777777777777778e-09 * math.pi) / 180
    count = 0
    while abs(bf - b0) > delta:
        count += 1
        bf = b0
        fb = a0 * ((((((a1 * bf - b1 * math.sin(2 * bf)) + c1 * math.sin(4 * bf)) - d1 * math.sin(6 * bf))
                      + e1 * math.sin(8 * bf)) - f1 * math.sin(10 * bf)) + g1 * math.sin(12 * bf))
        fb1 = a0 * ((((((a1 - (2 * b1) * math.cos(2 * bf)) + (4 * c1) * math.cos(4 * bf))
                       - (6 * d1) * math.cos(6 * bf)) + (8 * e1) * math.cos(8 * bf))
                     - (10 * f1) * math.cos(10 * bf)) + (12 * g1) * math.cos(12 * bf))
        b0 = bf + (x - fb) / fb1
        if passes is not None and count > 1000:
            break
    if passes is not None:
        passes.append(count)
    sinbf = math.sin(bf)
    sqrtsinbf2 = math.sqrt(1 - (e12 * sinbf) * sinbf)
    n = a / sqrtsinbf2
    t = math.tan(bf)
    t2 = t * t
    t4 = t2 * t2
    cosbf = math.cos(bf)
    yy = (e22 * cosbf) * cosbf
    yn = y / n
    yn2 = yn * yn
    p = (((1 + 2 * t2) + yy) * yn2) / 6
    q = ((((((5 + 28 * t2) + 24 * t4) + 6 * yy) + (8 * yy) * t2) * yn2) * yn2) / 120
    s = (1 - p) + q
    longitude = central_meridian + ((((yn * s) / cosbf) * 180) / math.pi)
    m = (2 * a0) / math.pow(sqrtsinbf2, 3)
    r = ((t / m) * y) * yn
    u = ((((5 + 3 * t2) + yy) - (9 * yy) * t2) * yn2) / 12
    v = ((((61 + 90 * t2) + 45 * t4) * yn2) * yn2) / 360
    latitude = ((bf - r * ((1 - u) + v)) * 180) / math.pi
    return longitude, latitude
