// The dashboard of a varno run: polls /api/study once a second and redraws
// what changed. Charts are plain SVG drawn here.
'use strict';

const state = { text: null, data: null, sortKey: 'rank', sortDown: false, effects: 0 };
const byId = (id) => document.getElementById(id);
const svgNs = 'http://www.w3.org/2000/svg';
const tableLimit = 1000;

function element(tag, attributes, parent, text) {
  const node = document.createElementNS(svgNs, tag);
  for (const [name, value] of Object.entries(attributes || {})) node.setAttribute(name, value);
  if (text !== undefined) node.textContent = text;
  if (parent) parent.appendChild(node);
  return node;
}

function number(value) {
  if (value === null || value === undefined) return '–';
  if (typeof value !== 'number') return String(value);
  return Math.abs(value) >= 1e5 || (value !== 0 && Math.abs(value) < 1e-3)
    ? value.toExponential(4) : String(Number(value.toPrecision(6)));
}

// Round tick values covering [low, high].
function ticks(low, high, count) {
  if (!(high > low)) return [low];
  const rough = (high - low) / count;
  const power = Math.pow(10, Math.floor(Math.log10(rough)));
  const step = [1, 2, 5, 10].map((f) => f * power).find((s) => s >= rough);
  const result = [];
  for (let t = Math.ceil(low / step) * step; t <= high + step * 1e-9; t += step) {
    result.push(Math.abs(t) < step * 1e-9 ? 0 : t);
  }
  return result;
}

function extent(values) {
  const finite = values.filter(Number.isFinite);
  if (finite.length === 0) return [0, 1];
  let low = Math.min(...finite), high = Math.max(...finite);
  if (low === high) { low -= Math.abs(low) * 0.1 || 1; high += Math.abs(high) * 0.1 || 1; }
  const pad = (high - low) * 0.05;
  return [low - pad, high + pad];
}

// An empty chart with axes over the ranges given; returns the scales.
function axes(container, xRange, yRange, xLabel, yLabel, size) {
  const [width, height] = size || [900, 320];
  const margin = { left: 70, right: 20, top: 12, bottom: 42 };
  container.replaceChildren();
  const svg = element('svg', { viewBox: `0 0 ${width} ${height}` }, container);
  const x = (v) => margin.left + (v - xRange[0]) / (xRange[1] - xRange[0]) *
    (width - margin.left - margin.right);
  const y = (v) => height - margin.bottom - (v - yRange[0]) / (yRange[1] - yRange[0]) *
    (height - margin.top - margin.bottom);
  const axis = element('g', { class: 'axis' }, svg);
  for (const t of ticks(xRange[0], xRange[1], width / 110)) {
    element('line', { x1: x(t), x2: x(t), y1: margin.top, y2: height - margin.bottom, class: 'grid' }, axis);
    element('text', { x: x(t), y: height - margin.bottom + 15, 'text-anchor': 'middle' }, axis, number(t));
  }
  for (const t of ticks(yRange[0], yRange[1], height / 60)) {
    element('line', { x1: margin.left, x2: width - margin.right, y1: y(t), y2: y(t), class: 'grid' }, axis);
    element('text', { x: margin.left - 6, y: y(t) + 4, 'text-anchor': 'end' }, axis, number(t));
  }
  element('path', { d: `M${margin.left},${margin.top}V${height - margin.bottom}H${width - margin.right}`,
    fill: 'none' }, axis);
  element('text', { x: (width + margin.left) / 2, y: height - 6, 'text-anchor': 'middle' }, axis, xLabel);
  element('text', { transform: `translate(14,${(height - margin.bottom) / 2}) rotate(-90)`,
    'text-anchor': 'middle' }, axis, yLabel);
  return { svg, x, y };
}

function marker(plot, cx, cy, kind, title) {
  const dot = element('circle', { cx, cy, r: kind === 'infeasible' ? 3.5 : 3, class: kind }, plot.svg);
  if (title) element('title', {}, dot, title);
}

function responseIndex(data, kind) {
  return data.study.responses.flatMap((r, i) => (r.kind === kind ? [i] : []));
}

function usable(design) { return design.status !== 'error' && design.responses.length > 0; }

function drawConvergence(data) {
  const points = data.convergence.points;
  const objective = responseIndex(data, 'objective')[0];
  const shown = objective === undefined ? [] : data.designs.map((d, k) => [k + 1, d]).filter(([, d]) => usable(d));
  const ys = shown.map(([, d]) => d.responses[objective]).concat(points.map((p) => p[1]));
  const plot = axes(byId('convergence'), [0, Math.max(data.designs.length, 1) + 1], extent(ys),
    'evaluation', data.convergence.measure);
  for (const [k, d] of shown) {
    marker(plot, plot.x(k), plot.y(d.responses[objective]), d.feasible ? 'feasible' : 'infeasible',
      `Design${d.id}: ${number(d.responses[objective])} (${d.status})`);
  }
  if (points.length > 0) {
    let path = `M${plot.x(points[0][0])},${plot.y(points[0][1])}`;
    for (const [k, value] of points.slice(1)) path += `H${plot.x(k)}V${plot.y(value)}`;
    path += `H${plot.x(data.designs.length)}`;
    element('path', { d: path, class: 'best-line' }, plot.svg);
  }
}

function drawPareto(data) {
  const objectives = responseIndex(data, 'objective');
  byId('pareto-section').hidden = objectives.length < 2;
  if (objectives.length < 2) return;
  const front = new Set(data.pareto);
  const designs = data.designs.filter(usable);
  const kind = (d) => (front.has(d.id) ? 'front' : d.feasible ? 'feasible' : 'infeasible');
  const name = (i) => data.study.responses[i].name;
  if (objectives.length === 2) {
    const [a, b] = objectives;
    const plot = axes(byId('pareto'), extent(designs.map((d) => d.responses[a])),
      extent(designs.map((d) => d.responses[b])), name(a), name(b), [900, 420]);
    const members = designs.filter((d) => front.has(d.id)).sort((p, q) => p.responses[a] - q.responses[a]);
    if (members.length > 1) {
      element('path', { class: 'front-line', d: 'M' + members.map((d) =>
        `${plot.x(d.responses[a])},${plot.y(d.responses[b])}`).join('L') }, plot.svg);
    }
    for (const d of designs.sort((p, q) => front.has(p.id) - front.has(q.id))) {
      marker(plot, plot.x(d.responses[a]), plot.y(d.responses[b]), kind(d),
        `Design${d.id}: ${number(d.responses[a])}, ${number(d.responses[b])} (${d.status})`);
    }
    return;
  }
  // Parallel coordinates: one vertical axis per objective, one line per design.
  const width = 900, height = 380, top = 24, bottom = 30, left = 60, right = 60;
  const container = byId('pareto');
  container.replaceChildren();
  const svg = element('svg', { viewBox: `0 0 ${width} ${height}` }, container);
  const step = (width - left - right) / (objectives.length - 1);
  const ranges = objectives.map((i) => extent(designs.map((d) => d.responses[i])));
  const y = (j, v) => height - bottom - (v - ranges[j][0]) / (ranges[j][1] - ranges[j][0]) * (height - top - bottom);
  const ordered = designs.sort((p, q) => (kind(p) === 'front') - (kind(q) === 'front'));
  for (const d of ordered) {
    const line = element('polyline', { points: objectives.map((i, j) => `${left + j * step},${y(j, d.responses[i])}`).join(' '),
      fill: 'none', stroke: `var(--${kind(d)})`, 'stroke-opacity': kind(d) === 'front' ? 0.9 : 0.25,
      'stroke-dasharray': kind(d) === 'infeasible' ? '4 3' : 'none' }, svg);
    element('title', {}, line, `Design${d.id} (${kind(d)})`);
  }
  objectives.forEach((i, j) => {
    const g = element('g', { class: 'axis' }, svg);
    element('line', { x1: left + j * step, x2: left + j * step, y1: top, y2: height - bottom }, g);
    element('text', { x: left + j * step, y: top - 8, 'text-anchor': 'middle' }, g, name(i));
    for (const t of ticks(ranges[j][0], ranges[j][1], 5)) {
      element('text', { x: left + j * step + 4, y: y(j, t) + 4 }, g, number(t));
    }
  });
}

function drawEffects(data) {
  byId('effects-section').hidden = !data.effects;
  if (!data.effects) return;
  const select = byId('effects-response');
  if (select.options.length !== data.effects.length) {
    select.replaceChildren(...data.effects.map((e, i) => new Option(e.response, i)));
    select.value = state.effects;
  }
  const effects = data.effects[state.effects] || data.effects[0];
  const panels = byId('effects');
  panels.replaceChildren();
  const means = effects.factors.flatMap((f) => f.means);
  for (const factor of effects.factors) {
    const box = document.createElement('div');
    panels.appendChild(box);
    const plot = axes(box, extent(factor.levels), extent(means), factor.name, effects.response, [300, 220]);
    element('path', { class: 'best-line', d: 'M' + factor.levels.map((v, i) =>
      `${plot.x(v)},${plot.y(factor.means[i])}`).join('L') }, plot.svg);
    factor.levels.forEach((v, i) => marker(plot, plot.x(v), plot.y(factor.means[i]), 'feasible',
      `${factor.name} = ${number(v)}: mean ${number(factor.means[i])}`));
  }
  const half = effects.halfNormal;
  const plot = axes(byId('half-normal'), [0, Math.max(0.5, ...half.map((h) => h.quantile)) * 1.1],
    [0, Math.max(1e-12, ...half.map((h) => h.size)) * 1.1], 'half-normal quantile', '|effect|', [700, 300]);
  for (const h of half) {
    marker(plot, plot.x(h.quantile), plot.y(h.size), 'feasible', `${h.term}: ${number(h.size)}`);
    element('text', { x: plot.x(h.quantile) + 6, y: plot.y(h.size) - 4 }, plot.svg, h.term);
  }
}

// Eleven equal bins from the smallest to the largest value of each response.
function drawHistograms(data) {
  const robust = data.study.kind === 'robustness';
  byId('histograms-section').hidden = !robust;
  if (!robust) return;
  const panels = byId('histograms');
  panels.replaceChildren();
  data.study.responses.forEach((response, i) => {
    const values = data.designs.filter(usable).map((d) => d.responses[i]).filter(Number.isFinite);
    if (values.length === 0) return;
    const low = Math.min(...values), high = Math.max(...values), bins = 11;
    const width = high > low ? (high - low) / bins : 1;
    const counts = new Array(bins).fill(0);
    for (const v of values) counts[Math.min(bins - 1, Math.floor((v - low) / width))] += 1;
    const box = document.createElement('div');
    panels.appendChild(box);
    const plot = axes(box, [low, low + bins * width], [0, Math.max(...counts) * 1.1], response.name,
      'designs', [300, 220]);
    counts.forEach((count, b) => element('rect', { class: 'bar', x: plot.x(low + b * width) + 0.5,
      width: Math.max(0, plot.x(low + width) - plot.x(low) - 1), y: plot.y(count),
      height: plot.y(0) - plot.y(count) }, plot.svg));
  });
}

function drawTable(data) {
  const study = data.study;
  const columns = [['rank', 'rank', (d) => d.rank], ['id', 'design', (d) => d.id],
    ['status', 'status', (d) => d.status]];
  study.variables.concat(study.parameters).forEach((name, i) => columns.push([`v${i}`, name, (d) => d.values[i]]));
  study.responses.forEach((r, i) => columns.push([`r${i}`, r.name, (d) => d.responses[i]]));
  columns.push(['seconds', 'seconds', (d) => d.seconds]);
  const column = columns.find((c) => c[0] === state.sortKey) || columns[0];
  const key = column[2];
  const rows = data.designs.slice().sort((p, q) => {
    const a = key(p), b = key(q);
    const order = a === b ? 0 : a === undefined ? 1 : b === undefined ? -1 : a < b ? -1 : 1;
    return state.sortDown ? -order : order;
  });
  const head = byId('designs').tHead;
  head.replaceChildren(head.insertRow());
  for (const [id, label] of columns) {
    const th = document.createElement('th');
    th.textContent = label;
    if (id === column[0]) th.className = state.sortDown ? 'sorted down' : 'sorted';
    th.onclick = () => {
      state.sortDown = state.sortKey === id ? !state.sortDown : false;
      state.sortKey = id;
      drawTable(state.data);
    };
    head.rows[0].appendChild(th);
  }
  const body = byId('designs').tBodies[0];
  body.replaceChildren();
  for (const d of rows.slice(0, tableLimit)) {
    const row = body.insertRow();
    row.className = d.status === 'error' ? 'error' : d.feasible ? '' : 'infeasible';
    row.dataset.design = d.id;
    for (const [, , value] of columns) row.insertCell().textContent = number(value(d));
  }
  byId('table-note').textContent = rows.length > tableLimit
    ? `showing ${tableLimit} of ${rows.length}` : 'click a heading to sort';
}

function drawFailures(data) {
  byId('no-failures').hidden = data.failures.length > 0;
  const body = byId('failures').tBodies[0];
  body.replaceChildren();
  for (const failure of data.failures) {
    const row = body.insertRow();
    row.insertCell().textContent = `Design${failure.id}`;
    row.insertCell().textContent = failure.message;
  }
}

function drawSettings(data) {
  const study = data.study;
  const list = byId('settings');
  list.replaceChildren();
  for (const [term, value] of [['study', study.name], ['kind', study.kind], ['method', study.method],
    ['budget', study.budget || 'none given'], ['evaluations at once', study.parallel],
    ['variables', study.variables.join(', ')],
    ['responses', study.responses.map((r) => `${r.name} (${r.kind})`).join(', ')]]) {
    list.appendChild(document.createElement('dt')).textContent = term;
    list.appendChild(document.createElement('dd')).textContent = value;
  }
  byId('study-text').textContent = study.text;
}

function render() {
  const data = state.data;
  document.title = `varno: ${data.study.name}`;
  byId('study-name').textContent = data.study.name;
  byId('study-kind').textContent = `${data.study.kind} · ${data.study.method}`;
  byId('design-count').textContent = data.designs.length;
  byId('feasible-count').textContent = data.designs.filter((d) => d.feasible).length;
  byId('failed-count').textContent = data.failures.length;
  byId('budget').textContent = data.study.budget || '–';
  byId('measure-name').textContent = data.convergence.measure;
  // A study without an objective (an experiment, a robustness study) ranks nothing.
  const ranked = responseIndex(data, 'objective').length > 0;
  byId('convergence-section').hidden = !ranked;
  byId('best-box').hidden = !ranked;
  const best = data.convergence.points[data.convergence.points.length - 1];
  const value = byId('best-value');
  value.textContent = best ? number(best[1]) : '–';
  value.dataset.value = best ? String(best[1]) : '';
  byId('best-label').textContent = `best feasible ${data.convergence.measure}`;
  byId('best-design').textContent = best ? `Design${best[2]}` : 'no feasible design yet';
  for (const draw of [drawConvergence, drawPareto, drawEffects, drawHistograms, drawTable,
    drawFailures, drawSettings]) {
    draw(data);
  }
}

function problem(text) {
  byId('problem').hidden = !text;
  byId('problem').textContent = text || '';
}

async function poll() {
  try {
    const reply = await fetch('/api/study', { cache: 'no-store' });
    const text = await reply.text();
    if (!reply.ok) {
      problem(`varno cannot read the results: ${JSON.parse(text).error}`);
    } else {
      problem('');
      if (text !== state.text) {
        state.text = text;
        state.data = JSON.parse(text);
        render();
      }
    }
    byId('connection').textContent = `updated ${new Date().toLocaleTimeString()}`;
  } catch (error) {
    byId('connection').textContent = 'varno is not answering (the run may have ended)';
  }
  setTimeout(poll, 1000);
}

byId('effects-response').onchange = (event) => {
  state.effects = Number(event.target.value);
  drawEffects(state.data);
};
poll();
