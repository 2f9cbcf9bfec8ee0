// The cab replay: the panel of one simhost run, frame by frame.
//
// The data element holds the run (every quantity as the frames where it
// changed) and the cab's layout, which names every lamp, display and sound
// with its slot; this script knows no slot of its own. Each element that
// shows a traced quantity carries data-column (the trace's column name) and
// data-value (the value at the shown frame), so the page can be checked
// against the trace.
//
// The address fragment chooses the moment and can script the page:
//   #frame=N or #t=SECONDS   the moment to show (seconds after the start)
//   &keys=ArrowRight,Space   keys pressed once the page is ready
//   &click=log:K             a click on log entry K (also expect:K, chart:METRES)
//   &play=RATE               start playing at 1, 10 or 60 times real time
'use strict';
(function () {
  const scriptStart = performance.now();
  const data = JSON.parse(document.getElementById('replay-data').textContent);
  const cab = data.cab;
  const frameCount = Math.max(1, data.frames);
  const lastFrame = frameCount - 1;
  const stepMs = Math.max(1, data.stepMs);
  const svgNs = 'http://www.w3.org/2000/svg';
  const rates = [1, 10, 60];
  let dialTop = 120;  // km/h at the end of the speedometer's scale, set at the start

  // ---- The run's quantities ------------------------------------------------

  // A quantity as its change frames and values; 0 before the first change.
  // `encoded` is [frames, values] as simhost writes them: n >= 0 in frames is
  // one change n frames on, its value change next in values; -(8r + k) is r
  // changes, k = 0 spaced like the change before with values from the list,
  // k = 1 to 7 copies of the change k before.
  class Series {
    constructor(encoded) {
      const [codes, deltas] = encoded || [[], []];
      const spacing = [], change = [];
      let next = 0;
      for (const code of codes) {
        if (code >= 0) {
          spacing.push(code);
          change.push(deltas[next++]);
          continue;
        }
        const kind = -code % 8, count = (-code - kind) / 8;
        for (let r = 0; r < count; ++r) {
          const from = spacing.length - Math.max(1, kind);
          spacing.push(spacing[from]);
          change.push(kind === 0 ? deltas[next++] : change[from]);
        }
      }
      this.frames = new Int32Array(spacing.length);
      this.values = new Float64Array(spacing.length);
      let frame = 0, value = 0;
      for (let i = 0; i < spacing.length; ++i) {
        frame += spacing[i];
        value += change[i];
        this.frames[i] = frame;
        this.values[i] = value;
      }
    }
    // Index of the last change at or before `frame`, -1 when none.
    indexAt(frame) {
      let low = 0, high = this.frames.length - 1, found = -1;
      while (low <= high) {
        const mid = (low + high) >> 1;
        if (this.frames[mid] <= frame) { found = mid; low = mid + 1; } else high = mid - 1;
      }
      return found;
    }
    at(frame) {
      const i = this.indexAt(frame);
      return i < 0 ? 0 : this.values[i];
    }
    // One value per frame, for quantities read along the whole run.
    dense() {
      const out = new Float64Array(frameCount);
      let i = 0, value = 0;
      for (let f = 0; f < frameCount; ++f) {
        while (i < this.frames.length && this.frames[i] <= f) value = this.values[i++];
        out[f] = value;
      }
      return out;
    }
  }

  const series = data.series;
  const none = new Series(null);
  const handleSeries = (h) => ({
    brake: new Series(h.brake), power: new Series(h.power), reverser: new Series(h.reverser),
    constantSpeed: h.constantSpeed ? new Series(h.constantSpeed) : null,
  });
  const run = {
    elapsedMs: new Series(series.elapsedMs),
    timeOfDayMs: new Series(series.timeOfDayMs),
    location: new Series(series.location).dense(),  // thousandths of a metre
    speed: new Series(series.speed).dense(),        // thousandths of a km/h
    driver: handleSeries(series.driver),
    combined: handleSeries(series.combined),
    commands: series.commands.map((c) => Object.assign(handleSeries(c), { plugin: c.plugin })),
    slots: new Map(),
  };
  // A slot named as the layout names it: p for a panel slot, s for a sound slot.
  function slotSeries(id) {
    if (!run.slots.has(id)) {
      const table = id[0] === 'p' ? series.panel : series.sound;
      const codes = table[id.slice(1)];
      run.slots.set(id, codes ? new Series(codes) : none);
    }
    return run.slots.get(id);
  }
  const columnOf = (id) => (id[0] === 'p' ? 'panel_' : 'sound_') + id.slice(1);

  // ---- Text ------------------------------------------------------------------

  const pad = (value, width) => {
    const text = String(Math.abs(value)).padStart(width, '0');
    return value < 0 ? '-' + text : text;
  };
  // Thousandths as the trace prints them: three decimals, exactly.
  function fixed3(thousandths) {
    const sign = thousandths < 0 ? '-' : '';
    const magnitude = Math.abs(thousandths);
    return sign + Math.floor(magnitude / 1000) + '.' + pad(magnitude % 1000, 3);
  }
  // A clock's time of day: past midnight it reads 00 again, as the log does.
  function clockText(ms) {
    const s = Math.floor(ms / 1000);
    return pad(Math.floor(s / 3600) % 24, 2) + ':' + pad(Math.floor(s / 60) % 60, 2) + ':' + pad(s % 60, 2) +
        '.' + pad(ms % 1000, 3);
  }
  // How a display shows a slot's value; `blank` is the layout's empty-field code.
  function formatValue(format, value, cell) {
    const blank = cell && cell.blank !== undefined ? cell.blank : null;
    if (blank !== null && value === blank) return format === 'digit' ? '\u2007' : '--';
    switch (format) {
      case 'two': return pad(value, 2);
      case 'offset': return String(value - (cell.offset || 0));
      case 'label': {
        const label = cell.labels && cell.labels[String(value)];
        return label !== undefined ? label : String(value);
      }
      default: return String(value);
    }
  }
  function el(tag, attributes, text) {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes || {})) node.setAttribute(key, value);
    if (text !== undefined) node.textContent = text;
    return node;
  }
  function svg(tag, attributes) {
    const node = document.createElementNS(svgNs, tag);
    for (const [key, value] of Object.entries(attributes || {})) node.setAttribute(key, value);
    return node;
  }

  // ---- Bindings: what each element shows at a frame ------------------------

  const bindings = [];
  // `read(frame)` gives the value; `show(value, frame)` puts it on the page,
  // only when it changed.
  function bind(node, column, read, show) {
    const binding = { node, read, show, last: undefined };
    if (column) node.setAttribute('data-column', column);
    bindings.push(binding);
    return binding;
  }
  function bindSlot(node, id, show) {
    const s = slotSeries(id);
    return bind(node, columnOf(id), (f) => s.at(f), (value, f) => {
      node.setAttribute('data-value', String(value));
      show(value, f);
    });
  }

  // ---- Sounds ----------------------------------------------------------------

  const sound = cab.soundCommands;
  // What a sound does at a frame: the last command that was not "unchanged".
  // A one-shot counts as sounding for a second after it started.
  function soundState(s, frame) {
    for (let i = s.indexAt(frame); i >= 0; --i) {
      const command = s.values[i];
      if (command === sound.unchanged) continue;
      if (command === sound.loop) return 'playing';
      if (command === sound.once) return (frame - s.frames[i]) * stepMs < 1000 ? 'once' : 'silent';
      return 'silent';
    }
    return 'silent';
  }

  // ---- Panel -----------------------------------------------------------------

  function lampItem(lamp) {
    const node = el('div', { class: 'lamp', title: lamp.slotText || '' });
    if (lamp.color) node.style.setProperty('--lamp', lamp.color);
    node.append(el('span', { class: 'bulb' }), el('span', { class: 'label' }, lamp.name));
    bindSlot(node, lamp.slot, (value) => node.setAttribute('data-lit', value !== 0 ? '1' : '0'));
    return node;
  }

  function valuesList(values) {
    const list = el('div', { class: 'values' });
    for (const item of values) {
      const value = el('span', { class: 'value' });
      list.append(el('span', { class: 'name', title: item.slotText || '' }, item.name), value);
      bindSlot(value, item.slot, (v) => { value.textContent = formatValue(item.format || 'int', v, item); });
    }
    return list;
  }

  function soundsList(sounds) {
    const list = el('div', { class: 'sounds' });
    for (const item of sounds) {
      const node = el('div', { class: 'sound', title: item.slotText || '' }, item.name);
      const s = slotSeries(item.slot);
      bind(node, columnOf(item.slot), (f) => s.at(f) + ':' + soundState(s, f), (key, f) => {
        node.setAttribute('data-value', String(s.at(f)));
        node.setAttribute('data-state', soundState(s, f));
      });
      list.append(node);
    }
    return list;
  }

  function instrumentBox(caption) {
    const box = el('div', { class: 'instrument' });
    if (caption) box.append(el('div', { class: 'caption' }, caption));
    return box;
  }

  // Cells in a row, each with the separator before it: a clock, a date, a counter.
  function digitsInstrument(described) {
    const box = instrumentBox(described.caption);
    const line = el('div', { class: 'digits' });
    described.cells.forEach((cell) => {
      if (cell.before) line.append(el('span', { class: 'sep' }, cell.before));
      const node = el('span', { class: 'cell', title: cell.name });
      bindSlot(node, cell.slot, (v) => { node.textContent = formatValue(cell.format || 'int', v, cell); });
      line.append(node);
    });
    box.append(line);
    return box;
  }

  // A value among named states: a selector, an indicator of three positions.
  function statesInstrument(described) {
    const box = instrumentBox(described.caption);
    const row = el('div', { class: 'states' });
    const marks = described.states.map((state) => {
      const mark = el('span', {}, state.label);
      row.append(mark);
      return { mark, value: state.value };
    });
    box.append(row);
    bindSlot(row, described.slot, (v) => {
      for (const m of marks) m.mark.setAttribute('data-on', m.value === v ? '1' : '0');
    });
    return box;
  }

  // A board of rows and columns of cells (the timetable).
  function boardInstrument(described) {
    const box = instrumentBox(described.caption);
    const table = el('table', { class: 'board' });
    const head = el('tr');
    head.append(el('th'));
    for (const column of described.columns) head.append(el('th', {}, column));
    table.append(head);
    for (const row of described.rows) {
      const tr = el('tr');
      tr.append(el('td', { class: 'rowname' }, row.name));
      for (const cell of row.cells) {
        const td = el('td');
        if (cell) {
          td.title = cell.name;
          bindSlot(td, cell.slot, (v) => { td.textContent = formatValue(cell.format || 'int', v, cell); });
        }
        tr.append(td);
      }
      table.append(tr);
    }
    box.append(table);
    return box;
  }

  // The permitted speed at every frame, from the mode and code the cab-signal
  // plug-in shows and its table of speeds; null while it does not supervise.
  function permittedSpeeds(described) {
    const out = new Float64Array(frameCount).fill(NaN);
    if (!described) return out;
    const active = slotSeries(described.active).dense();
    const mode = slotSeries(described.mode).dense();
    const code = slotSeries(described.code).dense();
    const fixed = described.fixedLimit ? slotSeries(described.fixedLimit).dense() : null;
    const byMode = new Map(described.byMode.map((m) => [m.mode, m]));
    let kept = NaN;
    for (let f = 0; f < frameCount; ++f) {
      if (active[f] === 0) { out[f] = NaN; continue; }
      const table = byMode.get(mode[f]);
      const listed = table ? table.speeds[String(code[f])] : undefined;
      // null: the speed permitted before holds.
      let speed = listed === undefined ? NaN : listed === null ? kept : listed;
      kept = speed;
      if (fixed && fixed[f] !== 0) speed = described.fixedKmh;
      out[f] = speed;
    }
    // Cut out, the plug-in supervises nothing: no permitted speed to show.
    for (const c of data.supervision.cutOuts) out.fill(NaN, c.fromFrame, c.toFrame);
    return out;
  }

  // The speedometer: needle, the permitted speed as a red band from it to the
  // top of the scale, the code shown; the code indicators in a row beneath.
  function speedometer(described, permitted) {
    const box = instrumentBox(described.caption);
    const size = 230, cx = size / 2, cy = size / 2, r = 92;
    const dial = svg('svg', { class: 'dial', width: size, height: size, viewBox: `0 0 ${size} ${size}` });
    const top = dialTop;
    const angleOf = (kmh) => (-225 + 270 * Math.max(0, Math.min(kmh, top)) / top) * Math.PI / 180;
    const at = (kmh, radius) => [cx + radius * Math.cos(angleOf(kmh)), cy + radius * Math.sin(angleOf(kmh))];
    dial.append(svg('circle', { class: 'face', cx, cy, r: r + 12 }));
    for (let kmh = 0; kmh <= top; kmh += 5) {
      const major = kmh % 20 === 0;
      const [x1, y1] = at(kmh, r - (major ? 10 : 5));
      const [x2, y2] = at(kmh, r);
      dial.append(svg('line', { class: 'tick', x1, y1, x2, y2, 'stroke-width': major ? 2 : 1 }));
      if (major) {
        const [tx, ty] = at(kmh, r - 22);
        const label = svg('text', { x: tx, y: ty + 3 });
        label.textContent = String(kmh);
        dial.append(label);
      }
    }
    const band = svg('path', { class: 'permitted' });
    dial.append(band);
    const marks = el('div', { class: 'lamps indicators' });
    for (const mark of described.indicators || []) {
      const speed = mark.kmh === cab.permitted.stop ? 'stop' : mark.kmh + ' km/h';
      marks.append(lampItem({ slot: mark.slot, name: `${mark.code} \u00b7 ${speed}`, color: '#49e36b',
        slotText: mark.name }));
    }
    const needle = svg('line', { class: 'needle', x1: cx, y1: cy, x2: cx, y2: cy });
    dial.append(needle, svg('circle', { class: 'hub', cx, cy, r: 6 }));
    const readout = svg('text', { class: 'readout', x: cx, y: cy + 44 });
    const unit = svg('text', { class: 'small', x: cx, y: cy + 58 });
    unit.textContent = 'km/h';
    const permittedText = svg('text', { class: 'small', x: cx, y: cy + 74 });
    dial.append(readout, unit, permittedText);
    if (described.code) {
      const codeText = svg('text', { class: 'small', x: cx, y: cy - 30 });
      dial.append(codeText);
      bindSlot(codeText, described.code.slot, (v) => { codeText.textContent = described.code.name + ' ' + v; });
    }
    bind(dial, 'speed_kmh', (f) => run.speed[f], (v) => {
      dial.setAttribute('data-value', fixed3(v));
      readout.textContent = (v / 1000).toFixed(1);
      const [x2, y2] = at(Math.abs(v) / 1000, r - 14);
      needle.setAttribute('x2', x2);
      needle.setAttribute('y2', y2);
    });
    bind(band, null, (f) => permitted[f], (p) => {
      const shown = Number.isNaN(p) ? '' : String(p);
      dial.setAttribute('data-permitted', shown);
      permittedText.textContent = Number.isNaN(p) ? 'not supervised' : p === cab.permitted.stop ? 'permitted: stop' :
          p >= top ? 'no limit' : 'permitted ' + p;
      if (Number.isNaN(p) || p >= top) { band.setAttribute('d', ''); return; }
      const from = Math.max(0, p);
      const [x1, y1] = at(from, r - 3);
      const [x2, y2] = at(top, r - 3);
      const large = (270 * (top - from) / top) > 180 ? 1 : 0;
      band.setAttribute('d', `M ${x1} ${y1} A ${r - 3} ${r - 3} 0 ${large} 1 ${x2} ${y2}`);
    });
    box.append(dial);
    if (marks.childElementCount) {
      box.append(el('div', { class: 'caption' }, 'code indicators'), marks);
    }
    return box;
  }

  // The handles: the driver's, each plug-in's command and the combined one;
  // a plug-in's cell is marked where it imposes more than the driver asked.
  function handlesGroup() {
    const group = el('div', { class: 'group handles-group' });
    group.append(el('h3', {}, 'Handles'));
    const table = el('table', { class: 'handles' });
    const head = el('tr');
    for (const text of ['', 'reverser', 'power', 'brake']) head.append(el('th', {}, text));
    table.append(head);
    const names = { reverser: 'reverser', power: 'power', brake: 'brake' };
    const addRow = (label, prefix, h, kind) => {
      const tr = el('tr');
      tr.append(el('th', {}, label));
      for (const key of Object.keys(names)) {
        const td = el('td');
        if (kind === 'combined') td.className = 'combined';
        const s = h[key];
        const d = run.driver[key];
        bind(td, prefix + key, (f) => s.at(f) + '/' + d.at(f), (both, f) => {
          const value = s.at(f);
          td.setAttribute('data-value', String(value));
          td.textContent = key === 'reverser' ? ['B', 'N', 'F'][value + 1] || String(value) : String(value);
          if (kind === 'plugin') {
            // More brake, less power or another reverser than the driver's: imposed.
            // More power: the plug-in drives (the train operation controller).
            const driver = d.at(f);
            const imposes = key === 'brake' ? value > driver : key === 'power' ? value < driver : value !== driver;
            td.classList.toggle('imposes', imposes);
            td.classList.toggle('drives', key === 'power' && value > driver);
          }
        });
        tr.append(td);
      }
      table.append(tr);
    };
    addRow('driver', 'driver_', run.driver, 'driver');
    for (const command of run.commands) addRow(command.plugin, command.plugin + '_', command, 'plugin');
    addRow('combined', '', run.combined, 'combined');
    group.append(table);
    return group;
  }

  function buildPanel(permitted) {
    const host = document.getElementById('cab');
    const groups = el('div', { class: 'groups' });
    for (const described of cab.groups) {
      const group = el('div', { class: 'group', 'data-plugin': described.plugin });
      const heading = el('h3', {}, described.plugin);
      if (described.role) heading.append(el('small', {}, described.role));
      group.append(heading);
      // A speedometer stands on its own; everything else flows beside it.
      const row = el('div', { class: 'row' });
      const rest = el('div', { class: 'row rest' });
      for (const instrument of described.instruments || []) {
        if (instrument.type === 'speedometer') {
          row.append(speedometer(instrument, permitted));
          rest.classList.add('beside');
        } else if (instrument.type === 'digits') rest.append(digitsInstrument(instrument));
        else if (instrument.type === 'states') rest.append(statesInstrument(instrument));
        else if (instrument.type === 'board') rest.append(boardInstrument(instrument));
      }
      row.append(rest);
      if (described.lamps && described.lamps.length) {
        const lamps = instrumentBox('lamps');
        const grid = el('div', { class: 'lamps' });
        for (const lamp of described.lamps) grid.append(lampItem(lamp));
        lamps.append(grid);
        rest.append(lamps);
      }
      if (described.values && described.values.length) {
        const box = instrumentBox('values');
        box.append(valuesList(described.values));
        rest.append(box);
      }
      if (described.sounds && described.sounds.length) {
        const box = instrumentBox('sounds');
        box.append(soundsList(described.sounds));
        rest.append(box);
      }
      group.append(row);
      groups.append(group);
    }
    groups.append(handlesGroup());
    host.append(groups);
  }

  // ---- Timeline: chart, strip, log, expectations ---------------------------

  const chart = document.getElementById('chart');
  const strip = document.getElementById('strip');
  const logList = document.getElementById('log');
  const expectationList = document.getElementById('expectations');
  let chartBase = null;  // the chart without its cursor, redrawn on resize
  let chartScale = null;

  function niceStep(span, count) {
    const raw = span / Math.max(1, count);
    const power = Math.pow(10, Math.floor(Math.log10(raw)));
    for (const m of [1, 2, 5, 10]) if (m * power >= raw) return m * power;
    return 10 * power;
  }

  // Colours of the chart, as the gnuplot charts draw the same things.
  const chartColours = { speed: '#2f6fb3', permitted: '#d23c3c', controller: '#8e44ad', cabrix: '#e67e22',
    sentrel: '#c0392b', neutral: '#999999', window: '#e6a0a0' };

  // Texts written side by side in rows: each takes the first row in which it
  // starts clear of the one before; where no row is free it is left out.
  function placeInRows(g, items, rows, minX, maxX) {
    const ends = new Array(rows).fill(-Infinity);
    const placed = [];
    for (const item of items.slice().sort((a, b) => a.x - b.x)) {
      const width = g.measureText(item.text).width;
      const x = Math.min(Math.max(item.x - width / 2, minX), maxX - width);
      const row = ends.findIndex((end) => x >= end + 6);
      if (row < 0) continue;
      ends[row] = x + width;
      placed.push({ x, row, text: item.text, colour: item.colour });
    }
    return placed;
  }

  function drawChartBase(permitted) {
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(300, chart.clientWidth), height = Math.max(120, chart.clientHeight);
    chart.width = width * ratio;
    chart.height = height * ratio;
    const base = document.createElement('canvas');
    base.width = chart.width;
    base.height = chart.height;
    const g = base.getContext('2d');
    g.scale(ratio, ratio);
    const zones = data.supervision;
    // Above the plot: the legend, then two rows of names; below it two thin
    // bands for what the train stop and the cab signal supervise.
    const left = 46, right = 12, top = 44, bottom = 40;
    let minX = Infinity, maxX = -Infinity, maxV = 10, minV = 0;
    for (let f = 0; f < frameCount; ++f) {
      const x = run.location[f] / 1000;
      if (x < minX) minX = x;
      if (x > maxX) maxX = x;
      const v = run.speed[f] / 1000;
      if (v > maxV) maxV = v;
      if (v < minV) minV = v;
      // The permitted speed is drawn whole, unless it sets no limit.
      if (permitted[f] < dialTop && permitted[f] > maxV) maxV = permitted[f];
    }
    for (const r of zones.restrictions) maxV = Math.max(maxV, r.targetKmh);
    for (const station of data.route.stations) {
      if (station.location >= minX - 200 && station.location <= maxX + 200) {
        minX = Math.min(minX, station.location);
        maxX = Math.max(maxX, station.location);
      }
    }
    if (maxX - minX < 1) maxX = minX + 1;
    // A margin on both sides, so that nothing at the ends sits on the frame.
    const margin = (maxX - minX) * 0.02;
    minX -= margin;
    maxX += margin;
    const topV = Math.ceil(maxV * 1.15 / 10) * 10;
    const lowV = minV < 0 ? -Math.ceil((-minV * 1.15 + 1) / 5) * 5 : 0;
    const plotBottom = height - bottom;
    const sx = (x) => left + (x - minX) / (maxX - minX) * (width - left - right);
    const sy = (v) => top + (topV - v) / (topV - lowV) * (plotBottom - top);
    chartScale = { sx, sy, minX, maxX, left, right, width, top, plotBottom };
    g.fillStyle = '#ffffff';
    g.fillRect(0, 0, width, height);
    g.font = '10px system-ui, "DejaVu Sans", sans-serif';
    g.strokeStyle = '#e3e6e9';
    g.fillStyle = '#6b7580';
    g.lineWidth = 1;
    const vStep = niceStep(topV - lowV, 5);
    for (let v = Math.ceil(lowV / vStep) * vStep; v <= topV; v += vStep) {
      g.strokeStyle = v === 0 ? '#9aa3ad' : '#e3e6e9';
      g.beginPath(); g.moveTo(left, sy(v)); g.lineTo(width - right, sy(v)); g.stroke();
      g.textAlign = 'right'; g.fillText(String(v), left - 4, sy(v) + 3);
    }
    g.strokeStyle = '#e3e6e9';
    const xStep = niceStep(maxX - minX, 8);
    for (let x = Math.ceil(minX / xStep) * xStep; x <= maxX; x += xStep) {
      g.beginPath(); g.moveTo(sx(x), top); g.lineTo(sx(x), plotBottom); g.stroke();
      g.textAlign = 'center'; g.fillText(String(Math.round(x)), sx(x), height - 4);
    }
    g.textAlign = 'left';
    g.fillText('km/h', 4, 12);
    g.textAlign = 'right';
    g.fillText('m', width - right, height - 4);
    // The legend, on a line of its own.
    const legend = [['speed', chartColours.speed]];
    if (permitted.some((p) => p < dialTop)) legend.push(['permitted (Cabrix)', chartColours.permitted]);
    if (zones.restrictions.length || zones.stopPoints.length) legend.push(['controller (Velorin)', chartColours.controller]);
    if (zones.pairs.length || zones.windows.length) legend.push(['train stop (Sentrel)', chartColours.sentrel]);
    if (zones.cutOuts.length) legend.push(['cut out (Cabrix)', chartColours.cabrix]);
    g.textAlign = 'left';
    let lx = left + 40;
    for (const [text, colour] of legend) {
      g.fillStyle = colour;
      g.fillRect(lx, 6, 10, 3);
      g.fillText(text, lx + 14, 11);
      lx += g.measureText(text).width + 30;
    }
    // The controller's restrictions: shaded up to their target speed.
    g.fillStyle = 'rgba(142, 68, 173, 0.15)';
    g.strokeStyle = chartColours.controller;
    g.lineWidth = 2;
    for (const r of zones.restrictions) {
      g.fillRect(sx(r.start), sy(r.targetKmh), Math.max(1, sx(r.end) - sx(r.start)), sy(0) - sy(r.targetKmh));
      g.beginPath(); g.moveTo(sx(r.start), sy(r.targetKmh)); g.lineTo(sx(r.end), sy(r.targetKmh)); g.stroke();
    }
    g.lineWidth = 1;
    // Stations and stop points: a dashed line each, the names above the plot.
    const names = [];
    g.setLineDash([4, 3]);
    for (const station of data.route.stations) {
      if (station.location < minX || station.location > maxX) continue;
      g.strokeStyle = '#8a96a3';
      g.beginPath(); g.moveTo(sx(station.location), top); g.lineTo(sx(station.location), plotBottom); g.stroke();
      names.push({ x: sx(station.location), text: station.name, colour: '#33404d' });
    }
    g.setLineDash([2, 3]);
    for (const point of zones.stopPoints) {
      if (point.location < minX || point.location > maxX) continue;
      g.strokeStyle = chartColours.controller;
      g.beginPath(); g.moveTo(sx(point.location), top); g.lineTo(sx(point.location), plotBottom); g.stroke();
      names.push({ x: sx(point.location), text: point.label, colour: chartColours.controller });
    }
    for (const r of zones.restrictions) {
      names.push({ x: sx(r.start), text: 'restriction ' + r.targetKmh, colour: chartColours.controller });
    }
    g.setLineDash([]);
    for (const name of placeInRows(g, names, 2, left, width - right)) {
      g.fillStyle = name.colour;
      g.textAlign = 'left';
      g.fillText(name.text, name.x, top - 18 + 11 * name.row);
    }
    // Beacons: ticks on the axis.
    g.strokeStyle = '#b07d2b';
    for (const beacon of data.route.beacons) {
      if (beacon.location < minX || beacon.location > maxX) continue;
      g.beginPath(); g.moveTo(sx(beacon.location), plotBottom); g.lineTo(sx(beacon.location), plotBottom - 5);
      g.stroke();
    }
    // Below the plot: Cabrix cut out, then Sentrel's pairs and windows.
    const band = (from, to, row, colour) => {
      const a = Math.min(sx(from), sx(to)), b = Math.max(sx(from), sx(to));
      g.fillStyle = colour;
      g.fillRect(a, plotBottom + 3 + 7 * row, Math.max(2, b - a), 5);
    };
    for (const c of zones.cutOuts) band(c.from, c.to, 0, chartColours.cabrix);
    for (const w of zones.windows) band(w.from, w.to === undefined ? maxX : w.to, 1, chartColours.window);
    for (const p of zones.pairs) {
      band(p.from, p.to === undefined ? p.from : p.to, 1, p.trips ? chartColours.sentrel : chartColours.neutral);
    }
    // The permitted speed, then the speed; a frame per pixel column is plenty.
    const every = Math.max(1, Math.floor(frameCount / (width * 4)));
    const plot = (valueAt, style, dash) => {
      g.strokeStyle = style;
      g.setLineDash(dash);
      g.lineWidth = 1.5;
      g.beginPath();
      let pen = false;
      for (let f = 0; f < frameCount; f += every) {
        const v = valueAt(f);
        if (Number.isNaN(v)) { pen = false; continue; }
        const x = sx(run.location[f] / 1000), y = sy(v);
        if (pen) g.lineTo(x, y); else g.moveTo(x, y);
        pen = true;
      }
      g.stroke();
      g.setLineDash([]);
    };
    // A stop reads as 0, as on the gnuplot charts.
    plot((f) => (permitted[f] >= dialTop ? NaN : Math.max(permitted[f], 0)), chartColours.permitted, [5, 3]);
    plot((f) => run.speed[f] / 1000, chartColours.speed, []);
    chartBase = base;
  }

  function drawChartCursor(frame) {
    if (!chartBase) return;
    const g = chart.getContext('2d');
    g.setTransform(1, 0, 0, 1, 0, 0);
    g.drawImage(chartBase, 0, 0);
    const ratio = window.devicePixelRatio || 1;
    g.scale(ratio, ratio);
    const x = chartScale.sx(run.location[frame] / 1000);
    const y = chartScale.sy(run.speed[frame] / 1000);
    g.strokeStyle = '#2f7fd0';
    g.lineWidth = 1;
    g.beginPath(); g.moveTo(x, chartScale.top); g.lineTo(x, chartScale.plotBottom); g.stroke();
    g.fillStyle = '#ff6a3d';
    g.beginPath(); g.arc(x, y, 4, 0, 2 * Math.PI); g.fill();
  }

  // The first frame at which the train reaches `metres`, or the nearest one.
  function frameAtLocation(metres) {
    const target = metres * 1000;
    let best = 0, bestGap = Infinity;
    for (let f = 0; f < frameCount; ++f) {
      const gap = Math.abs(run.location[f] - target);
      if (run.location[f] >= target) return f;
      if (gap < bestGap) { best = f; bestGap = gap; }
    }
    return best;
  }

  let stripCursor = null;
  // The strip: a tick per event, and each expectation judged as a dot, with
  // a bar over its span; bars that would overlap take lanes of their own.
  function drawStrip() {
    while (strip.firstChild) strip.removeChild(strip.firstChild);
    const width = Math.max(300, strip.clientWidth);
    const x = (frame) => 6 + frame / Math.max(1, lastFrame) * (width - 12);
    const laneEnds = [];
    const lanes = data.expectations.map((e) => {
      if (e.judgedFrame < 0) return 0;
      const from = e.enteredFrame >= 0 && e.enteredFrame < e.judgedFrame ? x(e.enteredFrame) : x(e.judgedFrame);
      let lane = laneEnds.findIndex((end) => from > end + 6);
      if (lane < 0) { lane = laneEnds.length; laneEnds.push(0); }
      laneEnds[lane] = x(e.judgedFrame) + 4;
      return lane;
    });
    const height = 36 + 10 * Math.max(1, laneEnds.length);
    strip.style.height = height + 'px';
    strip.setAttribute('viewBox', `0 0 ${width} ${height}`);
    const label = svg('text', { x: 6, y: 9 });
    label.textContent = 'events';
    const label2 = svg('text', { x: 6, y: height - 2 });
    label2.textContent = 'expectations';
    strip.append(label, label2);
    // One tick per pixel at most: a long log stays cheap to draw.
    let lastX = -1;
    for (const entry of data.log) {
      const ex = Math.round(x(entry[0]));
      if (ex === lastX) continue;
      lastX = ex;
      strip.append(svg('line', { class: 'event', x1: ex, y1: 11, x2: ex, y2: 21 }));
    }
    data.expectations.forEach((e, i) => {
      if (e.judgedFrame < 0) return;
      const y = 30 + 10 * lanes[i];
      if (e.enteredFrame >= 0 && e.enteredFrame < e.judgedFrame) {
        strip.append(svg('rect', { class: 'span ' + e.state, x: x(e.enteredFrame), y: y - 4, height: 8,
          width: Math.max(1, x(e.judgedFrame) - x(e.enteredFrame)) }));
      }
      const mark = svg('circle', { class: e.state, cx: x(e.judgedFrame), cy: y, r: 4, 'data-expectation': i });
      const title = svg('title');
      title.textContent = `line ${e.line}: ${e.text} (${e.state})`;
      mark.append(title);
      strip.append(mark);
    });
    stripCursor = svg('line', { class: 'cursor', x1: 0, y1: 0, x2: 0, y2: height });
    strip.append(stripCursor);
    stripCursor.dataset.scale = String(width);
  }
  function moveStripCursor(frame) {
    if (!stripCursor) return;
    const width = Number(stripCursor.dataset.scale);
    const cx = 6 + frame / Math.max(1, lastFrame) * (width - 12);
    stripCursor.setAttribute('x1', cx);
    stripCursor.setAttribute('x2', cx);
  }

  const logFrames = new Int32Array(data.log.length);
  function buildLog() {
    data.log.forEach((entry, i) => {
      const [frame, clock, , source, text] = entry;
      logFrames[i] = frame;
      const li = el('li', { id: 'log-' + i, 'data-frame': frame });
      li.append(el('span', { class: 'when' }, clock.slice(0, 8)), el('span', { class: 'source' }, source),
          document.createTextNode(text));
      li.addEventListener('click', () => { pause(); show(frame); });
      logList.append(li);
    });
    data.expectations.forEach((e, i) => {
      const li = el('li', { id: 'expect-' + i, 'data-state': e.state });
      li.append(document.createTextNode(`line ${e.line}: ${e.note || e.text}`));
      li.append(el('span', { class: 'detail' }, `${e.text}: ${e.detail || 'not judged'}`));
      if (e.judgedFrame >= 0) li.addEventListener('click', () => { pause(); show(e.judgedFrame); });
      expectationList.append(li);
    });
  }
  let currentLog = -1;
  function markLog(frame) {
    let low = 0, high = logFrames.length - 1, found = -1;
    while (low <= high) {
      const mid = (low + high) >> 1;
      if (logFrames[mid] <= frame) { found = mid; low = mid + 1; } else high = mid - 1;
    }
    if (found === currentLog) return;
    if (currentLog >= 0) logList.children[currentLog].classList.remove('current');
    currentLog = found;
    if (found < 0) return;
    const li = logList.children[found];
    li.classList.add('current');
    // Scroll the list only, never the page.
    if (li.offsetTop < logList.scrollTop || li.offsetTop + li.offsetHeight > logList.scrollTop + logList.clientHeight) {
      logList.scrollTop = li.offsetTop - logList.clientHeight / 2;
    }
  }

  // ---- Showing a frame, playing ---------------------------------------------

  const scrubber = document.getElementById('scrubber');
  const readout = document.getElementById('readout');
  const playButton = document.getElementById('play');
  let shown = -1;
  let playing = false, rate = 1, position = 0, lastTick = 0;
  let hashTimer = 0;

  function show(frame) {
    frame = Math.max(0, Math.min(lastFrame, Math.round(frame)));
    if (!playing) position = frame;
    if (frame === shown) return;
    shown = frame;
    for (const b of bindings) {
      const value = b.read(frame);
      if (value === b.last || (Number.isNaN(value) && Number.isNaN(b.last))) continue;
      b.last = value;
      b.show(value, frame);
    }
    scrubber.value = String(frame);
    const elapsed = run.elapsedMs.at(frame);
    readout.textContent = `frame ${frame} \u00b7 +${(elapsed / 1000).toFixed(3)} s \u00b7 ` +
        `${clockText(run.timeOfDayMs.at(frame))} \u00b7 ${fixed3(run.location[frame])} m`;
    document.body.setAttribute('data-frame', String(frame));
    document.body.setAttribute('data-time-ms', String(run.timeOfDayMs.at(frame)));
    document.body.setAttribute('data-location', fixed3(run.location[frame]));
    drawChartCursor(frame);
    moveStripCursor(frame);
    markLog(frame);
    if (!playing) {
      clearTimeout(hashTimer);
      hashTimer = setTimeout(() => history.replaceState(null, '', '#frame=' + shown), 250);
    }
  }

  function setRate(r) {
    rate = r;
    for (const button of document.querySelectorAll('#rates button')) {
      button.setAttribute('aria-pressed', Number(button.dataset.rate) === r ? 'true' : 'false');
    }
  }
  function tick(now) {
    if (!playing) return;
    position += (now - lastTick) * rate / stepMs;
    lastTick = now;
    if (position >= lastFrame) {
      position = lastFrame;
      show(lastFrame);
      pause();
      return;
    }
    show(Math.floor(position));
    requestAnimationFrame(tick);
  }
  function play() {
    if (playing) return;
    if (shown >= lastFrame) show(0);
    playing = true;
    position = shown;
    lastTick = performance.now();
    playButton.textContent = 'Pause';
    document.body.setAttribute('data-playing', '1');
    requestAnimationFrame(tick);
  }
  function pause() {
    if (!playing) return;
    playing = false;
    playButton.textContent = 'Play';
    document.body.setAttribute('data-playing', '0');
    const frame = shown;
    shown = -1;
    show(frame);
  }
  function stepBy(frames) {
    pause();
    show(shown + frames);
  }

  function onKey(event) {
    const second = Math.max(1, Math.round(1000 / stepMs));
    switch (event.key) {
      case 'ArrowRight': stepBy(event.shiftKey ? second : 1); break;
      case 'ArrowLeft': stepBy(event.shiftKey ? -second : -1); break;
      case ' ': case 'Space': if (playing) pause(); else play(); break;
      case 'Home': stepBy(-frameCount); break;
      case 'End': stepBy(frameCount); break;
      default: return;
    }
    event.preventDefault();
  }

  // ---- The address fragment --------------------------------------------------

  function parseFragment() {
    const out = new Map();
    for (const part of location.hash.replace(/^#/, '').split('&')) {
      const equals = part.indexOf('=');
      if (equals > 0) out.set(decodeURIComponent(part.slice(0, equals)), decodeURIComponent(part.slice(equals + 1)));
    }
    return out;
  }
  function momentOf(fragment) {
    if (fragment.has('frame')) return Number(fragment.get('frame'));
    if (fragment.has('t')) return Math.round(Number(fragment.get('t')) * 1000 / stepMs);
    return null;
  }
  function runScript(fragment) {
    for (const key of (fragment.get('keys') || '').split(',').filter(Boolean)) {
      document.dispatchEvent(new KeyboardEvent('keydown', { key: key === 'Space' ? ' ' : key, bubbles: true }));
    }
    const click = fragment.get('click');
    if (click) {
      const [kind, value] = click.split(':');
      if (kind === 'chart') { pause(); show(frameAtLocation(Number(value))); }
      const target = document.getElementById((kind === 'log' ? 'log-' : 'expect-') + value);
      if (target && kind !== 'chart') target.click();
    }
    const r = Number(fragment.get('play'));
    if (rates.includes(r)) { setRate(r); play(); }
  }

  // ---- Start -----------------------------------------------------------------

  function start() {
    document.getElementById('title').textContent = data.title;
    document.getElementById('subtitle').textContent =
        `${data.file} \u00b7 ${data.date} \u00b7 ${frameCount} frames of ${stepMs} ms \u00b7 calling order ` +
        `${data.callingOrder.join(', ')}`;
    document.getElementById('description').textContent = data.description;
    if (!data.description) document.getElementById('about').hidden = true;
    const permitted = permittedSpeeds(cab.permitted);
    // The scale of the layout, or more when the train ran faster.
    let fastest = 0;
    for (let f = 0; f < frameCount; ++f) fastest = Math.max(fastest, Math.abs(run.speed[f]) / 1000);
    for (const group of cab.groups) {
      for (const instrument of group.instruments || []) {
        if (instrument.type === 'speedometer') dialTop = instrument.maxKmh;
      }
    }
    dialTop = Math.max(dialTop, Math.ceil(fastest / 20) * 20);
    buildPanel(permitted);
    buildLog();
    const rateGroup = document.getElementById('rates');
    for (const r of rates) {
      const button = el('button', { type: 'button', 'data-rate': r, title: r + ' times real time' }, r + '\u00d7');
      button.addEventListener('click', () => { setRate(r); play(); });
      rateGroup.append(button);
    }
    setRate(1);
    scrubber.max = String(lastFrame);
    scrubber.addEventListener('input', () => { pause(); show(Number(scrubber.value)); });
    scrubber.addEventListener('keydown', (event) => { event.stopPropagation(); onKey(event); });
    playButton.addEventListener('click', () => (playing ? pause() : play()));
    document.getElementById('back').addEventListener('click', () => stepBy(-1));
    document.getElementById('forward').addEventListener('click', () => stepBy(1));
    document.addEventListener('keydown', onKey);
    chart.addEventListener('click', (event) => {
      const rect = chart.getBoundingClientRect();
      const s = chartScale;
      const metres = s.minX + (event.clientX - rect.left - s.left) / (s.width - s.left - s.right) * (s.maxX - s.minX);
      pause();
      show(frameAtLocation(metres));
    });
    strip.addEventListener('click', (event) => {
      const rect = strip.getBoundingClientRect();
      pause();
      show((event.clientX - rect.left - 6) / Math.max(1, rect.width - 12) * lastFrame);
    });
    drawChartBase(permitted);
    drawStrip();
    window.addEventListener('resize', () => {
      drawChartBase(permitted);
      drawStrip();
      const frame = shown;
      shown = -1;
      show(frame);
    });
    window.addEventListener('hashchange', () => {
      const moment = momentOf(parseFragment());
      if (moment !== null && moment !== shown) { pause(); show(moment); }
    });
    const fragment = parseFragment();
    const moment = momentOf(fragment);
    show(moment === null ? 0 : moment);
    runScript(fragment);
    document.body.setAttribute('data-load-ms', String(Math.round(performance.now() - scriptStart)));
    document.body.setAttribute('data-ready', '1');
  }

  start();
})();
